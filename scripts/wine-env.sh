# Sourced by the scripts: the Wine environment of a build tree. Usage: . scripts/wine-env.sh BUILD_DIR
# A 32-bit tree (build/win) gets a 32-bit prefix; the 64-bit twin's tree (build/win64) a 64-bit
# one, run by Wine's 64-bit loader and server, which /usr/bin/wine passes over whenever the
# 32-bit loader is installed. Small wrappers named wine, wineboot and wineserver, first on PATH,
# pick the loader of the tree's width.
KORVANE_BUILD_DIR=$(cd "${1:?build dir}" && pwd)
if grep -qs '^CMAKE_TOOLCHAIN_FILE:.*x86_64' "$KORVANE_BUILD_DIR/CMakeCache.txt" ||
   { [ ! -f "$KORVANE_BUILD_DIR/CMakeCache.txt" ] && [ "${KORVANE_BUILD_DIR##*/}" = win64 ]; }; then
  KORVANE_WINE_BITS=64
else
  KORVANE_WINE_BITS=32
fi
if [ "$KORVANE_WINE_BITS" = 64 ]; then
  export WINEARCH=win64
  _loader=/usr/lib/wine/wine64
  _server=/usr/lib/wine/wineserver64
else
  export WINEARCH=win32
  _loader=/usr/lib/wine/wine
  _server=/usr/lib/wine/wineserver32
fi
_bin="$KORVANE_BUILD_DIR/winebin"
if [ ! -x "$_bin/wineserver" ] || ! grep -qs "$_loader\"" "$_bin/wine"; then
  mkdir -p "$_bin"
  printf '#!/bin/sh\nexec "%s" "$@"\n' "$_loader" >"$_bin/wine"
  printf '#!/bin/sh\nexec "%s" wineboot.exe "$@"\n' "$_loader" >"$_bin/wineboot"
  printf '#!/bin/sh\nexec "%s" "$@"\n' "$_server" >"$_bin/wineserver"
  chmod +x "$_bin/wine" "$_bin/wineboot" "$_bin/wineserver"
fi
case ":$PATH:" in *":$_bin:"*) ;; *) export PATH="$_bin:$PATH" ;; esac
export WINELOADER=$_loader
export WINESERVER=$_server
unset _bin _loader _server
# KORVANE_PREFIX, when set, names another prefix folder in the tree, so that two runs of one
# tree's programs can go on side by side without sharing a wineserver, registry or mutex.
export WINEPREFIX="$KORVANE_BUILD_DIR/${KORVANE_PREFIX:-wineprefix}"
# KORVANE_WINEDEBUG, when set, replaces the default (e.g. +seh,+process to chase a crash).
export WINEDEBUG=${KORVANE_WINEDEBUG:--all}
export LANG=zh_CN.UTF-8
export LC_ALL=zh_CN.UTF-8
# No Mono/Gecko installer prompts, no desktop menu entries written to the host.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
