#!/bin/bash
# Creates the Wine prefix of a build tree once (32-bit, reporting Windows 98, no crash dialog,
# unmanaged windows)
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
# Unmanaged X windows: Xvfb has no window manager, and with managed windows Wine 8 waits up to
# 2 s for each hidden window to be withdrawn and loses key presses (hot keys included) once a
# window has been minimised.
if [ ! -f "$WINEPREFIX/.korvane-unmanaged" ]; then
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  touch "$WINEPREFIX/.korvane-unmanaged"
fi
wineserver -p 120 >/dev/null 2>&1 || true
# Start the prefix's background services now, detached from the caller's output.
wine cmd /c exit </dev/null >/dev/null 2>&1 || true
