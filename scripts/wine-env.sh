# Sourced by the scripts: the Wine environment of a build tree. Usage: . scripts/wine-env.sh BUILD_DIR
KORVANE_BUILD_DIR=$(cd "${1:?build dir}" && pwd)
export WINEARCH=win32
export WINEPREFIX="$KORVANE_BUILD_DIR/wineprefix"
export WINEDEBUG=-all
export LANG=zh_CN.UTF-8
export LC_ALL=zh_CN.UTF-8
# No Mono/Gecko installer prompts, no desktop menu entries written to the host.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
