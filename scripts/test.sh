#!/bin/bash
# Sets everything up and runs every test: the native unit tests (ASan/UBSan), the cross build
# with its import check, and the end-to-end tests under Wine on one Xvfb screen.
# Ends with the line "N passed, N failed" summed over both test runs; exits non-zero on any failure.
set -uo pipefail
cd "$(dirname "$0")/.."
passed=0
failed=0
logs=build/logs
mkdir -p "$logs"

# Adds the counts of a ctest log; a run that printed no summary counts as one failure.
count() {
  local line p t
  line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$1" | tail -1)
  if [ -n "$line" ]; then
    t=$(echo "$line" | sed -E 's/.* out of ([0-9]+).*/\1/')
    p=$(echo "$line" | sed -E 's/.*, ([0-9]+) tests? failed.*/\1/')
    passed=$((passed + t - p))
    failed=$((failed + p))
  elif grep -q 'No tests were found' "$1"; then
    :
  else
    failed=$((failed + 1))
  fi
}

step_failed() {
  echo "test: $1 failed"
  failed=$((failed + 1))
}

if ! scripts/setup.sh; then
  echo "0 passed, 1 failed"
  exit 1
fi

echo "== native build and unit tests"
if cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Debug >/dev/null && cmake --build build/native -j2; then
  (cd build/native && ctest --output-on-failure -j2) 2>&1 | tee "$logs/native.log"
  count "$logs/native.log"
else
  step_failed "native build"
fi

echo "== fuzz targets, a short run each (scripts/fuzz.sh runs them longer)"
if CC=clang CXX=clang++ cmake -S . -B build/fuzz -DKORVANE_FUZZ=ON -DKORVANE_FUZZ_SECONDS=10 \
     -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null && cmake --build build/fuzz -j2 >/dev/null; then
  (cd build/fuzz && ctest --output-on-failure) 2>&1 | tee "$logs/fuzz.log"
  count "$logs/fuzz.log"
else
  step_failed "fuzz build"
fi

echo "== cross build, import check and end-to-end tests under Wine"
if scripts/build-win.sh && scripts/wine-prefix.sh build/win; then
  . scripts/wine-env.sh build/win
  xvfb-run -a -s '-screen 0 1024x768x24' bash -c \
    'cd build/win && ctest --output-on-failure; wineserver -k' 2>&1 | tee "$logs/win.log"
  count "$logs/win.log"
else
  step_failed "cross build"
fi

echo "== package: the zip holds the exe the tests ran"
# The listing is read whole before it is searched: "unzip -l | grep -q" under pipefail fails at
# random when grep stops reading early and unzip dies of SIGPIPE.
if cmake --build build/win --target package_zip >/dev/null && zip=$(ls build/win/korvane-*.zip | head -1) &&
   unzip -p "$zip" korvane/KORVANE.EXE > "$logs/packaged.exe" && cmp -s "$logs/packaged.exe" build/win/korvane.exe &&
   listing=$(unzip -l "$zip") && grep -q korvane/README.TXT <<<"$listing" &&
   grep -q korvane/LICENSE.TXT <<<"$listing"; then
  echo "package: $zip"
  passed=$((passed + 1))
else
  step_failed "package"
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
