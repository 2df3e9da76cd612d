#!/bin/bash
# Cross-builds korvane.exe and the end-to-end test programs into build/win.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -f build/win/CMakeCache.txt ]; then
  cmake -S . -B build/win >/dev/null
else
  cmake -S . -B build/win -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build build/win -j2
