#!/bin/bash
# Prints the warm start-up time of korvane.exe under Wine (launch to ready main window, median
# of several runs), its working set and private bytes when ready, and the size of the stripped
# exe. Other exes named after the run count (Unix paths, e.g. an older build's) are measured in
# the same run, taking turns with this build's.
# Usage: bench/startup.sh [runs] [other/korvane.exe ...]
set -euo pipefail
cd "$(dirname "$0")/.."
# The shipped exe where this host runs 32-bit programs, its 64-bit twin elsewhere.
. scripts/host-arch.sh
tree=win
[ "$KORVANE_HOST32" = yes ] || tree=win64
scripts/build-win.sh "$tree" >/dev/null
runs=${1:-9}
shift || true
others=()
echo "build/$tree/korvane.exe (stripped): $(stat -c %s "build/$tree/korvane.exe") bytes"
for exe in "$@"; do
  path=$(readlink -f "$exe")
  echo "$exe (stripped): $(stat -c %s "$path") bytes"
  others+=("Z:$(echo "$path" | tr / '\\')")
done
scripts/wine-run.sh "build/$tree" "build/$tree/tests/e2e/korvane_startup_bench.exe" "$runs" "${others[@]}"
