#!/bin/bash
# Creates the Wine prefix of a build tree once (32-bit for build/win, 64-bit for the twin's
# build/win64; reporting Windows 98, no crash dialog, unmanaged windows) and keeps its
# wineserver running for a while so later wine calls start fast.
# Usage: scripts/wine-prefix.sh BUILD_DIR
# Fails with a line naming the step that failed.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh" "${1:?build dir}" || { echo "wine-prefix: no build tree ${1}" >&2; exit 1; }
fail() {
  echo "wine-prefix: $1 failed ($KORVANE_WINE_BITS-bit prefix $WINEPREFIX)" >&2
  exit 1
}
if [ ! -x "$WINELOADER" ]; then
  fail "finding Wine's $KORVANE_WINE_BITS-bit loader $WINELOADER"
fi
marker="$WINEPREFIX/.korvane-prefix"
if [ ! -f "$marker" ]; then
  echo "wine-prefix: creating $WINEPREFIX ($KORVANE_WINE_BITS-bit)"
  rm -rf "$WINEPREFIX"
  log="$KORVANE_BUILD_DIR/wineboot.log"
  if ! wineboot -i >"$log" 2>&1; then
    sed -n '1,5p' "$log" >&2
    fail "wineboot"
  fi
  wineserver -w
  wine reg add 'HKCU\Software\Wine' /v Version /d win98 /f >/dev/null 2>&1 || fail "setting Windows 98 mode"
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 ||
    fail "switching off the crash dialog"
  wineserver -w
  touch "$marker"
fi
# Unmanaged X windows: Xvfb has no window manager, and with managed windows Wine 8 waits up to
# 2 s for each hidden window to be withdrawn and loses key presses (hot keys included) once a
# window has been minimised.
if [ ! -f "$WINEPREFIX/.korvane-unmanaged" ]; then
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || fail "setting unmanaged windows"
  touch "$WINEPREFIX/.korvane-unmanaged"
fi
# Caption buttons are glyphs of the Marlett font, which Debian's Wine does not find in its own
# font folder: without a copy in the prefix they are drawn as the letters "0 1 r".
fonts="$WINEPREFIX/drive_c/windows/Fonts"
if [ ! -f "$fonts/marlett.ttf" ] && [ -f /usr/share/wine/fonts/marlett.ttf ]; then
  mkdir -p "$fonts" && cp /usr/share/wine/fonts/marlett.ttf "$fonts/" || fail "copying the Marlett font"
fi
wineserver -p 120 >/dev/null 2>&1 || true
# Start the prefix's background services now, detached from the caller's output; a prefix in
# which not even cmd runs is of no use to anyone.
wine cmd /c exit </dev/null >/dev/null 2>&1 || fail "running cmd in the prefix"
