#!/bin/bash
# Cross-builds korvane.exe and the end-to-end test programs.
# Usage: scripts/build-win.sh [win|win64]
#   win   (default) build/win: the shipped 32-bit exe (i686)
#   win64 build/win64: its 64-bit twin (x86_64), the same sources, for testing only; never shipped
set -euo pipefail
cd "$(dirname "$0")/.."
tree=${1:-win}
case "$tree" in
  win) toolchain=cmake/toolchain-mingw-i686.cmake ;;
  win64) toolchain=cmake/toolchain-mingw-x86_64.cmake ;;
  *) echo "build-win: unknown tree '$tree' (win or win64)" >&2; exit 2 ;;
esac
if [ -f "build/$tree/CMakeCache.txt" ]; then
  cmake -S . -B "build/$tree" >/dev/null
else
  cmake -S . -B "build/$tree" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "build/$tree" -j2
