#!/bin/bash
# Runs a command on a private Xvfb screen (1024x768, 24 bits) and ends the screen after it.
# The server picks a free display number itself (-displayfd), so that runs started at the same
# moment never race for one, as "xvfb-run -a" can. Exits with the command's status.
# Usage: scripts/on-xvfb.sh COMMAND [ARGS...]
set -uo pipefail
fdfile=$(mktemp)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 1 100); do
  [ -s "$fdfile" ] && break
  kill -0 "$xvfb" 2>/dev/null || break
  sleep 0.1
done
num=$(tr -dc 0-9 <"$fdfile")
rm -f "$fdfile"
if [ -z "$num" ]; then
  echo "on-xvfb: Xvfb did not start" >&2
  kill "$xvfb" 2>/dev/null
  exit 1
fi
DISPLAY=":$num" "$@"
rc=$?
kill "$xvfb" 2>/dev/null
wait "$xvfb" 2>/dev/null
exit "$rc"
