#!/bin/bash
# Prints the warm start-up time of korvane.exe under Wine (launch to ready main window, median
# of several runs) and the size of the stripped exe. Usage: bench/startup.sh [runs]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build-win.sh >/dev/null
echo "korvane.exe (stripped): $(stat -c %s build/win/korvane.exe) bytes"
scripts/wine-run.sh build/win build/win/tests/e2e/korvane_startup_bench.exe "${1:-9}"
