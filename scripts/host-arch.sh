#!/bin/bash
# Tells whether this host runs 32-bit programs: starts Wine's 32-bit loader once. Some hosts boot
# with the kernel's 32-bit emulation off, and every i386 program fails there with "Exec format
# error". Prints one line; exits 0 when 32-bit programs run, 1 when they do not.
# Sourced (. scripts/host-arch.sh) it sets KORVANE_HOST32=yes or no instead of exiting; a script
# that sources it may first set KORVANE_HOST_USE32 and KORVANE_HOST_USE64 to what it does on
# either kind of host, and the line ends with that instead of what the test command runs.
# KORVANE_NO32=1 makes a host that runs them take the other path, to try it out.
_korvane_host32() {
  local out="KORVANE_NO32=1"
  if [ "${KORVANE_NO32:-}" != 1 ] && out=$(/usr/lib/wine/wine --version 2>&1) && [ -n "$out" ]; then
    KORVANE_HOST32=yes
    echo "host: runs 32-bit programs ($out): ${KORVANE_HOST_USE32:-the tests run against build/win/korvane.exe and its 64-bit twin}"
  else
    KORVANE_HOST32=no
    echo "host: cannot run 32-bit programs (${out:-/usr/lib/wine/wine failed}): ${KORVANE_HOST_USE64:-the tests run against the 64-bit twin build/win64/korvane.exe}"
  fi
}
if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  _korvane_host32
  [ "$KORVANE_HOST32" = yes ]
  exit
fi
_korvane_host32
