#!/bin/sh
# Prints what watching costs: korvane.exe's own CPU and the wineserver's (Wine does much of the
# snapshot and window work there), each as a share of one core over a measuring window, with
# each page shown, with the window hidden in the notification area, at the update speeds 1000 ms
# and 50 ms, paused (Applications page shown, and hidden), and with no korvane.exe running. Given a second exe, it measures
# both in the same run, state by state in turn, and prints them side by side; then the time of
# one refresh of the shown Performance page for each, with its CPU, and the cost of a full round
# of module lists (tool-help) against a round of module counts (psapi, where Wine has it).
#   bench/perf_cpu.sh [BUILD_DIR] [SECONDS] [OTHER_EXE]     (defaults: build/win, 15)
# BUILD_DIR gives korvane.exe, perf/perf_bench.exe and the Wine prefix (BUILD_DIR/wineprefix);
# OTHER_EXE, a korvane.exe built elsewhere (an earlier commit, say), is run in the same prefix and
# shown first, as "before". Needs the cross build (scripts/build-win.sh) and Xvfb. Runs on its own
# X display and ends only the processes it started.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:-$ROOT/build/win}" && pwd)
SECONDS_WINDOW=${2:-15}
AFTER="$BUILD/korvane.exe"
BEFORE=${3:-}
BENCH="$BUILD/perf/perf_bench.exe"
[ -f "$AFTER" ] && [ -f "$BENCH" ] || { echo "build $BUILD first (korvane.exe, perf/perf_bench.exe)" >&2; exit 1; }
if [ -n "$BEFORE" ]; then
    [ -f "$BEFORE" ] || { echo "no $BEFORE" >&2; exit 1; }
    BEFORE=$(cd "$(dirname "$BEFORE")" && pwd)/$(basename "$BEFORE")
    EXES="$BEFORE $AFTER"
else
    EXES="$AFTER"
fi

. "$ROOT/scripts/wine-env.sh" "$BUILD"
"$ROOT/scripts/wine-prefix.sh" "$BUILD"

. "$ROOT/bench/wine-bench.sh"
start_own_display

# The machine of a PE file: i386 or x86-64.
pe_machine() {
    off=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
    case $(od -An -tx2 -j$((off + 4)) -N2 "$1" | tr -d ' ') in
    014c) echo "32-bit (i386)" ;;
    8664) echo "64-bit (x86-64)" ;;
    *) echo "unknown machine" ;;
    esac
}

start_korvane() {  # $1 = exe, $2 = ShowPage, $3 = RefreshSpeed index loaded at start-up
    wine reg add "$KEY" /v Version /d 1.0 /f >/dev/null 2>&1
    wine reg add "$KEY" /v ShowPage /d "$2" /f >/dev/null 2>&1
    wine reg add "$KEY" /v RefreshSpeed /d "$3" /f >/dev/null 2>&1
    wine reg add "$KEY" /v HideOnMin /d 0 /f >/dev/null 2>&1
    (cd "$(dirname "$1")" && wine "$(basename "$1")" >/dev/null 2>&1 &)
    wine "$BENCH" wait 30000
    KORVANE_PID=$(find_in_prefix 'korvane\.exe')
    [ -n "$KORVANE_PID" ] || { echo "$1 did not start" >&2; exit 1; }
}

stop_korvane() {
    wine "$BENCH" command 57665 || true
    i=0
    while [ $i -lt 50 ] && kill -0 "$KORVANE_PID" 2>/dev/null; do sleep 0.1; i=$((i + 1)); done
    kill "$KORVANE_PID" 2>/dev/null || true
    KORVANE_PID=
}

# One figure: "korvane % / wineserver %" of one core over the window.
#   $1 exe, $2 ShowPage, $3 start-up speed index, $4 menu command of the speed, $5 "hide" or ""
measure() {
    start_korvane "$1" "$2" "$3"
    wine "$BENCH" command "$4"   # the speed as chosen from the menu (1000 ms exists only there)
    [ "$5" = hide ] && { wine "$BENCH" close || echo "(the window did not hide)" >&2; }
    sleep 2
    server=$(find_in_prefix '^wineserver|/wineserver')
    t0=$(cpu_ticks "$KORVANE_PID")
    s0=$([ -n "$server" ] && cpu_ticks "$server" || echo 0)
    sleep "$SECONDS_WINDOW"
    t1=$(cpu_ticks "$KORVANE_PID")
    s1=$([ -n "$server" ] && cpu_ticks "$server" || echo 0)
    stop_korvane
    awk -v d=$((t1 - t0)) -v w=$((s1 - s0)) -v hz="$TICKS" -v s="$SECONDS_WINDOW" \
        'BEGIN { printf "%.2f %% / %.2f %%", 100 * d / hz / s, 100 * w / hz / s }'
}

# The cells of one row: every exe at the speed, in turn.
cells() {  # $1 ShowPage, $2 start-up index, $3 menu command, $4 hide
    for exe in $EXES; do
        printf ' %s |' "$(measure "$exe" "$1" "$2" "$3" "$4")"
    done
}

echo "CPU of one core over $SECONDS_WINDOW s per figure, korvane.exe / wineserver, $(wine --version):"
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
    echo "  this host runs 32-bit programs"
else
    echo "  this host cannot run 32-bit programs"
fi
i=0
for exe in $EXES; do
    i=$((i + 1))
    label=after
    [ -n "$BEFORE" ] && [ $i -eq 1 ] && label=before
    [ -z "$BEFORE" ] && label=exe
    echo "  $label: $exe, $(pe_machine "$exe"), $(stat -c %s "$exe") bytes"
done
echo "  load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
echo

if [ -n "$BEFORE" ]; then
    echo "| state | 1000 ms before | 1000 ms after | 50 ms before | 50 ms after | load after |"
    echo "|---|---|---|---|---|---|"
else
    echo "| state | 1000 ms | 50 ms | load after |"
    echo "|---|---|---|---|"
fi
# name  ShowPage  hide
for state in "Applications page shown|0|" "Processes page shown|1|" "Performance page shown|2|" \
             "hidden in the tray|2|hide"; do
    name=${state%%|*}
    rest=${state#*|}
    page=${rest%%|*}
    hide=${rest#*|}
    row1000=$(cells "$page" 1 32779 "$hide")
    row50=$(cells "$page" 4 32782 "$hide")
    echo "| $name |$row1000$row50 $(cut -d' ' -f1 /proc/loadavg) |"
done
none=" — |"
[ -n "$BEFORE" ] && none=" — | — |"
for state in "paused (Applications shown)|" "paused and hidden|hide"; do
    row=$(cells 0 3 32781 "${state#*|}")
    echo "| ${state%%|*} |$row$none $(cut -d' ' -f1 /proc/loadavg) |"
done
# What the wineserver spends with no korvane.exe at all (the prefix's own processes): the floor
# under every wineserver figure above.
server=$(find_in_prefix '^wineserver|/wineserver')
if [ -n "$server" ]; then
    s0=$(cpu_ticks "$server")
    sleep "$SECONDS_WINDOW"
    s1=$(cpu_ticks "$server")
    floor=$(awk -v w=$((s1 - s0)) -v hz="$TICKS" -v s="$SECONDS_WINDOW" 'BEGIN { printf "%.2f %%", 100 * w / hz / s }')
    row=
    for exe in $EXES; do row="$row — / $floor |"; done
    echo "| no korvane.exe running |$row$none $(cut -d' ' -f1 /proc/loadavg) |"
fi
echo
echo "  load average at end: $(cut -d' ' -f1-3 /proc/loadavg)"

for exe in $EXES; do
    start_korvane "$exe" 2 3   # paused: only the measured refreshes run on the shown page
    printf '  %s: ' "$exe"
    server=$(find_in_prefix '^wineserver|/wineserver')
    t0=$(cpu_ticks "$KORVANE_PID")
    s0=$([ -n "$server" ] && cpu_ticks "$server" || echo 0)
    wine "$BENCH" refresh 200
    t1=$(cpu_ticks "$KORVANE_PID")
    s1=$([ -n "$server" ] && cpu_ticks "$server" || echo 0)
    # Both refresh loops (the empty messages and the timer ones) are inside the window.
    awk -v d=$((t1 - t0)) -v w=$((s1 - s0)) -v hz="$TICKS" \
        'BEGIN { printf "    CPU per refresh: korvane.exe %.1f ms, wineserver %.1f ms\n", 1000 * d / hz / 200, 1000 * w / hz / 200 }'
    # A full round over every process, taken by another process.
    printf '    a full module round: '
    wine "$BENCH" modules 20
    stop_korvane
done
