#!/bin/bash
# One long run of korvane.exe under Wine at its fastest update speed next to a window that stays
# hung throughout; prints the program's resident memory every minute and its growth after the
# warm-up (also in build/logs/hung-window-memory-<N>min.log). Runs a copy of the cross build in a
# tree and Wine prefix of its own (build/bench-hung), so other tests can go on meanwhile.
# Usage: bench/hung_window_memory.sh [minutes [warm-up minutes [hung]]]   (default 60, 2 and 1)
# With hung 0 the window keeps answering (tree build/bench-idle): the figure to compare against.
set -uo pipefail
cd "$(dirname "$0")/.."
minutes=${1:-60}
warm=${2:-2}
hung=${3:-1}
src=build/win
tree=build/bench-hung
[ "$hung" = 0 ] && tree=build/bench-idle
for f in korvane.exe korvane_testwin.exe bench/win32/hung_window_memory.exe; do
  [ -f "$src/$f" ] || { echo "hung_window_memory: $src/$f is missing (scripts/build-win.sh)" >&2; exit 1; }
done
mkdir -p "$tree" build/logs
cp "$src/korvane.exe" "$src/korvane_testwin.exe" "$src/bench/win32/hung_window_memory.exe" "$tree/"
log=build/logs/hung-window-memory-${minutes}min-hung${hung}.log
# wine-run.sh starts an Xvfb of its own when DISPLAY is unset.
env -u DISPLAY scripts/wine-run.sh "$tree" "$tree/hung_window_memory.exe" "$minutes" "$warm" "$hung" | tee "$log"
rc=${PIPESTATUS[0]}
(. scripts/wine-env.sh "$tree" && wineserver -k) >/dev/null 2>&1
exit "$rc"
