#!/bin/bash
# Creates the Wine prefix of a build tree once (32-bit, reporting Windows 98, no crash dialog)
# and keeps its wineserver running for a while so later wine calls start fast.
# Usage: scripts/wine-prefix.sh BUILD_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh" "${1:?build dir}"
marker="$WINEPREFIX/.korvane-prefix"
if [ ! -f "$marker" ]; then
  echo "wine-prefix: creating $WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  wineserver -w
  wine reg add 'HKCU\Software\Wine' /v Version /d win98 /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  wineserver -w
  touch "$marker"
fi
wineserver -p 120 >/dev/null 2>&1 || true
# Start the prefix's background services now, detached from the caller's output.
wine cmd /c exit </dev/null >/dev/null 2>&1 || true
