#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for SECONDS (default 600), printing the
# executions and the time of every run. Findings are written to build/fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
build=build/fuzz-long
CC=clang CXX=clang++ cmake -S . -B "$build" -DKORVANE_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 >/dev/null
mkdir -p "$build/findings"
status=0
printf '%-28s %12s %8s  %s\n' target executions seconds result
for exe in "$build"/fuzz/*_fuzz; do
  name=$(basename "$exe")
  mkdir -p "$build/corpus/$name"
  start=$(date +%s)
  if "$exe" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$build/findings/$name-" \
       "$build/corpus/$name" >"$build/$name.log" 2>&1; then
    result=clean
  else
    result="FINDING (see $build/$name.log)"
    status=1
  fi
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$build/$name.log" | grep -o '[0-9]*$' || echo '?')
  printf '%-28s %12s %8s  %s\n' "$name" "$runs" "$(( $(date +%s) - start ))" "$result"
done
exit $status
