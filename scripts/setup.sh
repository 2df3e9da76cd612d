#!/bin/bash
# Installs everything the build and the tests need from Debian 12's packages: the mingw-w64
# cross compiler, Wine (32-bit), Xvfb and tools, a CJK font, the zh_CN.UTF-8 locale, CMake,
# GoogleTest/GoogleMock, Google Benchmark and Python 3 (the help compiler). Does nothing when all
# of it is already there.
set -euo pipefail

packages=(
  cmake make g++ clang libclang-rt-14-dev libgtest-dev libgmock-dev libbenchmark-dev zip unzip python3
  g++-mingw-w64-i686-win32 binutils-mingw-w64-i686 mingw-w64-tools mingw-w64-i686-dev
  g++-mingw-w64-x86-64-win32 binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
  wine wine32:i386 wine64 fonts-wine xvfb xauth xdotool x11-apps imagemagick fonts-wqy-microhei locales
)

sudo=""
if [ "$(id -u)" != 0 ]; then sudo=sudo; fi

missing=()
for p in "${packages[@]}"; do
  if ! grep -q '^install ok installed$' <<<"$(dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null)"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  if ! grep -qx i386 <<<"$(dpkg --print-foreign-architectures)"; then
    $sudo dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -q
  $sudo apt-get install -y -q "${packages[@]}"
fi

# (Each list is read whole before grep -q searches it: under pipefail, a writer cut off by grep's
# early exit would fail the test.)
if ! grep -qix 'zh_CN.utf8' <<<"$(locale -a 2>/dev/null)"; then
  echo "setup: generating the zh_CN.UTF-8 locale"
  $sudo sed -i 's/^# *\(zh_CN.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
  $sudo locale-gen
fi
