#!/bin/bash
# Sets everything up and runs every test: the native unit tests (ASan/UBSan), short fuzz runs,
# the cross builds with the shipped exe's checks, and the end-to-end tests and soak under Wine on
# one Xvfb screen: against the 64-bit twin on every host, and against the shipped 32-bit exe as
# well where the host runs 32-bit programs.
# Ends with the line "N passed, N failed" summed over every run; exits non-zero on any failure.
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

echo "== cross builds: the shipped 32-bit exe (build/win) and its 64-bit twin (build/win64)"
built32=no
built64=no
if scripts/build-win.sh win; then built32=yes; else step_failed "cross build of build/win (32-bit)"; fi
if scripts/build-win.sh win64; then built64=yes; else step_failed "cross build of build/win64 (64-bit twin)"; fi

echo "== build checks of the shipped exe (build/win/korvane.exe)"
if [ "$built32" = yes ]; then
  (cd build/win && ctest --output-on-failure -L check) 2>&1 | tee "$logs/checks.log"
  count "$logs/checks.log"
fi

# The end-to-end suite and the soak against the exe of one tree, under one Xvfb screen.
suites=()
run_suite() {
  local tree=$1 what=$2 before_p=$passed before_f=$failed
  echo "== end-to-end tests and soak under Wine: build/$tree/korvane.exe ($what)"
  if ! scripts/wine-prefix.sh "build/$tree"; then
    step_failed "Wine prefix of build/$tree"
  else
    (. scripts/wine-env.sh "build/$tree" && xvfb-run -a -s '-screen 0 1024x768x24' bash -c \
      "cd build/$tree && ctest --output-on-failure -L 'e2e|soak'; wineserver -k") 2>&1 | tee "$logs/$tree.log"
    count "$logs/$tree.log"
  fi
  suites+=("e2e: build/$tree/korvane.exe ($what): $((passed - before_p)) passed, $((failed - before_f)) failed")
}

. scripts/host-arch.sh
if [ "$KORVANE_HOST32" = yes ]; then
  if [ "$built32" = yes ]; then run_suite win "the shipped 32-bit exe"; fi
  if [ "$built64" = yes ]; then run_suite win64 "64-bit twin"; fi
else
  if [ "$built64" = yes ]; then run_suite win64 "64-bit twin; this host cannot run 32-bit programs"; fi
fi

echo "== package: the zip holds the exe the tests ran and its help file"
# The listing is read whole before it is searched: "unzip -l | grep -q" under pipefail fails at
# random when grep stops reading early and unzip dies of SIGPIPE.
if cmake --build build/win --target package_zip >/dev/null && zip=$(ls build/win/korvane-*.zip | head -1) &&
   unzip -p "$zip" korvane/KORVANE.EXE > "$logs/packaged.exe" && cmp -s "$logs/packaged.exe" build/win/korvane.exe &&
   unzip -p "$zip" korvane/KORVANE.HLP > "$logs/packaged.hlp" && cmp -s "$logs/packaged.hlp" build/win/Korvane.hlp &&
   listing=$(unzip -l "$zip") && grep -q korvane/README.TXT <<<"$listing" &&
   grep -q korvane/LICENSE.TXT <<<"$listing"; then
  echo "package: $zip"
  passed=$((passed + 1))
else
  step_failed "package"
fi

for line in "${suites[@]}"; do echo "$line"; done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
