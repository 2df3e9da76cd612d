#!/bin/sh
# Prints korvane.exe's own CPU use under Wine, as a share of one core, over a measuring window at
# each update speed (50, 500, 1000 and 5000 ms, and paused, where only the Processes page's fixed
# 1000 ms refresh runs), with the Performance page shown; beside it the wineserver's CPU in the
# same window (Wine does much of the snapshot work there); then the time of one refresh of the
# Performance page.
#   bench/perf_cpu.sh [BUILD_DIR] [SECONDS]      (defaults: build/win, 30)
# Needs the cross build (scripts/build-win.sh: korvane.exe, perf/perf_bench.exe) and Xvfb. Runs in its own Wine prefix
# (BUILD_DIR/wineprefix) and its own X display; ends only the processes it started.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:-$ROOT/build/win}" && pwd)
SECONDS_WINDOW=${2:-30}
EXE="$BUILD/korvane.exe"
BENCH="$BUILD/perf/perf_bench.exe"
[ -f "$EXE" ] && [ -f "$BENCH" ] || { echo "build $BUILD first (korvane.exe, perf/perf_bench.exe)" >&2; exit 1; }

. "$ROOT/scripts/wine-env.sh" "$BUILD"
"$ROOT/scripts/wine-prefix.sh" "$BUILD"

# An X display of our own.
DISPLAY_NUM=$((90 + $$ % 60))
while [ -e "/tmp/.X11-unix/X$DISPLAY_NUM" ]; do DISPLAY_NUM=$((DISPLAY_NUM + 1)); done
Xvfb ":$DISPLAY_NUM" -screen 0 1024x768x24 >/dev/null 2>&1 &
XVFB_PID=$!
export DISPLAY=":$DISPLAY_NUM"
KORVANE_PID=
cleanup() {
    [ -n "$KORVANE_PID" ] && kill "$KORVANE_PID" 2>/dev/null || true
    wineserver -k 2>/dev/null || true
    kill "$XVFB_PID" 2>/dev/null || true
}
trap cleanup EXIT INT TERM
sleep 1
wineserver -p 60 || true

KEY='HKLM\Software\Marrowfen\Korvane'
TICKS=$(getconf CLK_TCK)

# The Linux process of a program in this prefix.
find_in_prefix() {  # $1 = pgrep pattern
    for p in $(pgrep -f "$1" || true); do
        if (tr "\\0" "\\n" < "/proc/$p/environ") 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX"; then
            echo "$p"
            return
        fi
    done
}

find_korvane() { find_in_prefix 'korvane\.exe'; }

cpu_ticks() {  # utime + stime of a process, in clock ticks
    awk '{ sub(/.*\) /, ""); print $12 + $13 }' "/proc/$1/stat"
}

start_korvane() {  # $1 = RefreshSpeed index loaded at start-up
    wine reg add "$KEY" /v Version /d 1.0 /f >/dev/null 2>&1
    wine reg add "$KEY" /v ShowPage /d 2 /f >/dev/null 2>&1
    wine reg add "$KEY" /v RefreshSpeed /d "$1" /f >/dev/null 2>&1
    (cd "$BUILD" && wine korvane.exe >/dev/null 2>&1 &)
    wine "$BENCH" wait 30000
    KORVANE_PID=$(find_korvane)
    [ -n "$KORVANE_PID" ] || { echo "korvane.exe did not start" >&2; exit 1; }
}

stop_korvane() {
    wine "$BENCH" command 57665 || true
    i=0
    while [ $i -lt 50 ] && kill -0 "$KORVANE_PID" 2>/dev/null; do sleep 0.1; i=$((i + 1)); done
    kill "$KORVANE_PID" 2>/dev/null || true
    KORVANE_PID=
}

echo "korvane.exe CPU use under Wine ($(wine --version)), ${SECONDS_WINDOW} s at each update speed:"
# period  start-up index  menu command
for speed in "50 4 32782" "500 0 32778" "1000 1 32779" "5000 2 32780" "paused 3 32781"; do
    set -- $speed
    start_korvane "$2"
    wine "$BENCH" command "$3"   # the speed as chosen from the menu (1000 ms exists only there)
    sleep 2
    SERVER_PID=$(find_in_prefix '^wineserver|/wineserver')
    t0=$(cpu_ticks "$KORVANE_PID")
    s0=$([ -n "$SERVER_PID" ] && cpu_ticks "$SERVER_PID" || echo 0)
    sleep "$SECONDS_WINDOW"
    t1=$(cpu_ticks "$KORVANE_PID")
    s1=$([ -n "$SERVER_PID" ] && cpu_ticks "$SERVER_PID" || echo 0)
    awk -v p="$1" -v d=$((t1 - t0)) -v w=$((s1 - s0)) -v hz="$TICKS" -v s="$SECONDS_WINDOW" \
        'BEGIN { printf "  %7s%s: %6.2f %% of one core (%.2f s of CPU in %d s); wineserver %.2f %%\n",
                 p, (p == "paused" ? "" : " ms"), 100 * d / hz / s, d / hz, s, 100 * w / hz / s }'
    stop_korvane
done

start_korvane 3   # paused: only the measured refreshes run on the page
wine "$BENCH" refresh 200
stop_korvane
