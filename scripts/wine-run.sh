#!/bin/bash
# Runs a Windows console program in the Wine prefix of a build tree, with KORVANE_EXE naming
# that tree's korvane.exe; the program's GBK output is shown as UTF-8. Without an X display
# the program runs under its own Xvfb. Usage: scripts/wine-run.sh BUILD_DIR PROGRAM.exe [ARGS...]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:?build dir}; shift
"$here/wine-prefix.sh" "$build" || exit 1
. "$here/wine-env.sh" "$build"
# Wine maps the Unix root to drive Z:.
export KORVANE_EXE="Z:$(echo "$KORVANE_BUILD_DIR/korvane.exe" | tr / '\\')"
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s '-screen 0 1024x768x24' "$0" "$build" "$@"
fi
# Through a file, not a pipe: Wine's background processes inherit the descriptors and would
# hold a pipe open (and CTest waiting) until the wineserver exits.
# KORVANE_RUN_SECONDS, when set, limits the run (the tests set it below CTest's own limit), so
# that a hung run still shows what it printed and leaves no process behind in the prefix.
limit=${KORVANE_RUN_SECONDS:-0}
out=$(mktemp)
timeout -k 10 "$limit" wine "$@" >"$out" 2>&1
rc=$?
iconv -f GBK -t UTF-8 -c <"$out"
rm -f "$out"
if [ "$rc" = 124 ] || [ "$rc" = 137 ]; then
  echo "wine-run: ${1##*/} was ended after ${limit} s; every process of the prefix ends with it"
  wineserver -k 2>/dev/null
  wineserver -w 2>/dev/null
fi
exit $rc
