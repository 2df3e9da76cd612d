#!/bin/bash
# Soak and fault run: korvane.exe under Wine and Xvfb for N minutes (default 10) at its fastest
# update speed while a load program starts and ends processes, opens and closes windows, keeps
# hung and busy windows and switches tabs and speeds. Prints the measured figures against the
# targets as a table (also in build/logs/soak-<N>min-<load>.log); exits non-zero when a target is
# missed.
# Usage: scripts/soak.sh [minutes [load]]   load: all (default), processes, windows or none
# KORVANE_SOAK_BUILD=DIR runs the programs of another tree (korvane.exe, korvane_testwin.exe and
# tests/soak/korvane_soak.exe; its own Wine prefix), so a long run can go on beside other tests.
set -uo pipefail
cd "$(dirname "$0")/.."
minutes=${1:-10}
load=${2:-all}
if [ -z "${KORVANE_SOAK_BUILD:-}" ]; then
  scripts/setup.sh >/dev/null || { echo "soak: setup failed" >&2; exit 1; }
  # The shipped exe where this host runs 32-bit programs, its 64-bit twin elsewhere.
  KORVANE_HOST_USE32="the soak runs build/win/korvane.exe"
  KORVANE_HOST_USE64="the soak runs the 64-bit twin build/win64/korvane.exe"
  . scripts/host-arch.sh
  tree=win
  [ "$KORVANE_HOST32" = yes ] || tree=win64
  scripts/build-win.sh "$tree" >/dev/null || { echo "soak: cross build of build/$tree failed" >&2; exit 1; }
  build=build/$tree
else
  build=$KORVANE_SOAK_BUILD
fi
exe=$build/tests/soak/korvane_soak.exe
for f in "$build/korvane.exe" "$build/korvane_testwin.exe" "$exe"; do
  [ -f "$f" ] || { echo "soak: $f is missing" >&2; exit 1; }
done
mkdir -p build/logs
log=build/logs/soak-${minutes}min-${load}.log
# wine-run.sh starts an Xvfb of its own when DISPLAY is unset.
env -u DISPLAY scripts/wine-run.sh "$build" "$exe" "$minutes" "$load" | tee "$log"
rc=${PIPESTATUS[0]}
(. scripts/wine-env.sh "$build" && wineserver -k) >/dev/null 2>&1
exit "$rc"
