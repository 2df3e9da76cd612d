#!/bin/bash
# Sets everything up, cross-builds korvane.exe and runs it under Wine (Windows 98 mode):
# on $DISPLAY when there is one, otherwise on a private Xvfb screen. Where this host cannot run
# 32-bit programs, it runs the 64-bit twin (the same program, built for testing) instead.
set -uo pipefail
cd "$(dirname "$0")/.."
fail() { echo "start: $1 failed" >&2; exit 1; }
# Setup, then the rest in a fresh process: the C library reads its list of locales once per
# process, so one started before setup generated zh_CN.UTF-8 would never find it (and bash would
# warn when the Wine settings name it).
if [ -z "${KORVANE_START_SET_UP:-}" ]; then
  scripts/setup.sh || fail "setup"
  exec env KORVANE_START_SET_UP=1 "$0" "$@"
fi
KORVANE_HOST_USE32="starting build/win/korvane.exe"
KORVANE_HOST_USE64="starting the 64-bit twin build/win64/korvane.exe (build/win/korvane.exe is what ships)"
. scripts/host-arch.sh
tree=win
[ "$KORVANE_HOST32" = yes ] || tree=win64
scripts/build-win.sh "$tree" || fail "cross build of build/$tree"
scripts/wine-prefix.sh "build/$tree" || fail "Wine prefix of build/$tree"
. scripts/wine-env.sh "build/$tree"
exe="build/$tree/korvane.exe"
# Korvane runs until its Exit command; a start that does not reach its main window is reported.
check_window() {
  local i
  for i in $(seq 1 100); do
    if xdotool search --name 'Windows 任务管理器' >/dev/null 2>&1; then
      echo "start: the main window is up"
      return 0
    fi
    if ! kill -0 "$1" 2>/dev/null; then
      wait "$1"
      echo "start: korvane.exe ended without showing its window (exit status $?; a Korvane already running in build/$tree/wineprefix ends a second start: \". scripts/wine-env.sh build/$tree; wineserver -k\" ends it)" >&2
      return 1
    fi
    sleep 0.2
  done
  echo "start: no main window after 20 s" >&2
  return 1
}
if [ -z "${DISPLAY:-}" ]; then
  echo "start: no X display; running on Xvfb. Take a screenshot from another shell with the"
  echo "       DISPLAY and XAUTHORITY printed below:  import -window root shot.png"
  exec xvfb-run -a -s '-screen 0 1024x768x24' bash -c \
    'echo "DISPLAY=$DISPLAY XAUTHORITY=$XAUTHORITY"; "$0" "$@"; rc=$?; wineserver -k; exit $rc' "$0" "$@"
fi
wine "$exe" "$@" &
pid=$!
check_window "$pid" || exit 1
wait "$pid"
