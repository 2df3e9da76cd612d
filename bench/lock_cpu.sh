#!/bin/sh
# Prints what the lock costs against a program that takes the foreground back each time it loses
# it (a kiosk, a game, another stay-on-top tool: the test window program's "f" window):
# korvane.exe's CPU and the wineserver's while locked, each as a share of one core over a
# measuring window. Given a second exe, it measures that one first, as "before", in the same
# prefix and with the same test window program.
#   bench/lock_cpu.sh [BUILD_DIR] [SECONDS] [OTHER_EXE]
# Defaults: build/win, or its 64-bit twin build/win64 where this host cannot run 32-bit
# programs; 5 s. Needs the cross build (scripts/build-win.sh) and Xvfb. Runs on its own X
# display and ends only the processes it started.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
if [ -z "${1:-}" ]; then
    tree=win64
    "$ROOT/scripts/host-arch.sh" >/dev/null && tree=win
    set -- "$ROOT/build/$tree" "$@"
fi
BUILD=$(cd "$1" && pwd)
SECONDS_WINDOW=${2:-5}
AFTER="$BUILD/korvane.exe"
BEFORE=${3:-}
BENCH="$BUILD/perf/perf_bench.exe"
TESTWIN="$BUILD/korvane_testwin.exe"
[ -f "$AFTER" ] && [ -f "$BENCH" ] && [ -f "$TESTWIN" ] ||
    { echo "build $BUILD first (korvane.exe, perf/perf_bench.exe, korvane_testwin.exe)" >&2; exit 1; }
if [ -n "$BEFORE" ]; then
    [ -f "$BEFORE" ] || { echo "no $BEFORE" >&2; exit 1; }
    BEFORE=$(cd "$(dirname "$BEFORE")" && pwd)/$(basename "$BEFORE")
fi

. "$ROOT/scripts/wine-env.sh" "$BUILD"
"$ROOT/scripts/wine-prefix.sh" "$BUILD"

. "$ROOT/bench/wine-bench.sh"
start_own_display

measure() {  # $1 = exe; prints "korvane % / wineserver %"
    wine reg add "$KEY" /v Version /d 1.0 /f >/dev/null 2>&1
    wine reg delete "$KEY" /v Password /f >/dev/null 2>&1 || true   # any entry unlocks
    (cd "$(dirname "$1")" && wine "$(basename "$1")" >/dev/null 2>&1 &)
    wine "$BENCH" wait 30000
    KORVANE_PID=$(find_in_prefix 'korvane\.exe')
    [ -n "$KORVANE_PID" ] || { echo "$1 did not start" >&2; exit 1; }
    (wine "$TESTWIN" "f:kiosk" >/dev/null 2>&1 &)
    sleep 2
    OTHER_PID=$(find_in_prefix 'korvane_testwin\.exe')
    wine "$BENCH" post 32793 || { echo "$1 did not lock" >&2; exit 1; }
    sleep 2
    server=$(find_in_prefix '^wineserver|/wineserver')
    t0=$(cpu_ticks "$KORVANE_PID")
    s0=$([ -n "$server" ] && cpu_ticks "$server" || echo 0)
    sleep "$SECONDS_WINDOW"
    t1=$(cpu_ticks "$KORVANE_PID")
    s1=$([ -n "$server" ] && cpu_ticks "$server" || echo 0)
    wine "$BENCH" unlock || echo "($1 did not unlock)" >&2
    wine "$BENCH" command 57665 || true
    i=0
    while [ $i -lt 50 ] && kill -0 "$KORVANE_PID" 2>/dev/null; do sleep 0.1; i=$((i + 1)); done
    kill "$KORVANE_PID" 2>/dev/null || true
    [ -n "$OTHER_PID" ] && kill "$OTHER_PID" 2>/dev/null || true
    KORVANE_PID=
    OTHER_PID=
    awk -v d=$((t1 - t0)) -v w=$((s1 - s0)) -v hz="$TICKS" -v s="$SECONDS_WINDOW" \
        'BEGIN { printf "%.1f %% / %.1f %%", 100 * d / hz / s, 100 * w / hz / s }'
}

echo "Locked against a program that takes the foreground back each time it loses it:"
echo "CPU of one core over $SECONDS_WINDOW s, korvane.exe / wineserver, $(wine --version)"
echo "load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
if [ -n "$BEFORE" ]; then
    echo "  before ($BEFORE): $(measure "$BEFORE")"
fi
echo "  after ($AFTER): $(measure "$AFTER")"
