#!/bin/bash
# Sets everything up, cross-builds korvane.exe and runs it under Wine (Windows 98 mode):
# on $DISPLAY when there is one, otherwise on a private Xvfb screen.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build-win.sh
scripts/wine-prefix.sh build/win
. scripts/wine-env.sh build/win
if [ -n "${DISPLAY:-}" ]; then
  exec wine build/win/korvane.exe "$@"
fi
echo "start: no X display; running on Xvfb. Take a screenshot from another shell with the"
echo "       DISPLAY and XAUTHORITY printed below:  import -window root shot.png"
exec xvfb-run -a -s '-screen 0 1024x768x24' bash -c \
  'echo "DISPLAY=$DISPLAY XAUTHORITY=$XAUTHORITY"; wine build/win/korvane.exe "$@"; wineserver -k' korvane "$@"
