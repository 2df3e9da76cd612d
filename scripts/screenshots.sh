#!/bin/bash
# Regenerates the README's pictures in docs/screenshots/: each tab, the new-task dialog and the
# lock screen, taken under Wine in a 1024x768 virtual desktop (windows get their captions there).
set -euo pipefail
cd "$(dirname "$0")/.."
# The shipped exe, or its 64-bit twin (the same program) where this host cannot run 32-bit ones.
. scripts/host-arch.sh >/dev/null
tree=win
[ "$KORVANE_HOST32" = yes ] || tree=win64
if [ "${1:-}" != "--inside" ]; then
  scripts/setup.sh
  scripts/build-win.sh "$tree" >/dev/null
  scripts/wine-prefix.sh "build/$tree"
fi
. scripts/wine-env.sh "build/$tree"
# Wine maps the Unix root to drive Z:.
winpath() { echo "Z:$(echo "$1" | tr / '\\')"; }
export KORVANE_EXE="$(winpath "$KORVANE_BUILD_DIR/korvane.exe")"
shots="$KORVANE_BUILD_DIR/shots"
[ "${1:-}" = "--inside" ] || { rm -rf "$shots" && mkdir -p "$shots"; }
winshots="$(winpath "$shots")"
run() {
  wine explorer /desktop=Korvane,1024x768 "$(winpath "$KORVANE_BUILD_DIR/korvane_screenshots.exe")" "$winshots" \
    >"$shots/log.txt" 2>&1 || true
  wineserver -k || true
}
if [ "${1:-}" = "--inside" ]; then
  run
  exit 0
fi
if [ -n "${DISPLAY:-}" ] && [ "${1:-}" != "--xvfb" ]; then
  run
else
  xvfb-run -a -s '-screen 0 1280x1024x24' "$0" --inside
fi
iconv -f GBK -t UTF-8 -c "$shots/log.txt" || true
mkdir -p docs/screenshots
for name in applications processes performance newtask lock; do
  if [ -f "$shots/$name.bmp" ]; then
    /usr/bin/convert "$shots/$name.bmp" "docs/screenshots/$name.png"
    echo "docs/screenshots/$name.png"
  else
    echo "missing: $name" >&2
    exit 1
  fi
done
