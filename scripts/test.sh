#!/bin/bash
# Sets everything up and runs every test: the native unit tests (ASan/UBSan), short fuzz runs,
# the cross builds with the shipped exe's checks, and the end-to-end tests and soak under Wine:
# against the 64-bit twin on every host, and against the shipped 32-bit exe as well where the
# host runs 32-bit programs. The two exes' suites run side by side, each on its own Xvfb screen in
# its own Wine prefix, while the native and fuzz stages run at low priority beside them.
# Ends with each stage's wall time, a line per end-to-end suite and the line "N passed, N failed"
# summed over every run; exits non-zero on any failure.
set -uo pipefail
cd "$(dirname "$0")/.."
logs=build/logs
mkdir -p "$logs"

# Setup, then everything else in a fresh process: the C library reads its list of locales once
# per process, so one started before setup generated zh_CN.UTF-8 would never find it (and bash
# would warn each time the Wine scripts set it).
if [ -z "${KORVANE_TEST_SETUP_SECONDS:-}" ]; then
  start=$SECONDS
  if ! scripts/setup.sh; then
    echo "0 passed, 1 failed"
    exit 1
  fi
  exec env KORVANE_TEST_SETUP_SECONDS=$((SECONDS - start)) "$0" "$@"
fi

passed=0
failed=0
times=("setup ${KORVANE_TEST_SETUP_SECONDS} s")
unset KORVANE_TEST_SETUP_SECONDS

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

# Runs a stage's command and records its wall time under the name.
timed() {
  local name=$1 start=$SECONDS rc
  shift
  "$@"
  rc=$?
  times+=("$name $((SECONDS - start)) s")
  return $rc
}

. scripts/host-arch.sh
trees=(win64)
[ "$KORVANE_HOST32" = yes ] && trees=(win win64)
declare -A what=([win]="the shipped 32-bit exe" [win64]="64-bit twin")
[ "$KORVANE_HOST32" = yes ] || what[win64]="64-bit twin; this host cannot run 32-bit programs"

# The end-to-end programs and the soaks run in lanes side by side, each in the background on an
# Xvfb screen and in a Wine prefix of its own (the programs of one prefix share its wineserver,
# registry and the program's single-instance mutex, so within a lane they run one at a time).
# Each exe's programs are split over two lanes, in two prefixes of its tree. The soaks, whose
# answer-time target needs the processor when it asks, run in a lane of their own (prefix
# "wineprefix-soak", one exe after the other) while the end-to-end lanes run at a lower priority
# (nice 5); their checks wait for states, with time to spare. A lane's output goes to
# build/logs/lane-<lane>-<tree>.log and is shown once the lane has ended.
second_lane='^(protect_.*|hostile_.*|perf_page_e2e|process_debugger_e2e|apps_hang_e2e)$'
declare -A lane_trees lane_select lane_prefix
lane_order=()
for tree in "${trees[@]}"; do
  lane_trees[$tree]=$tree
  lane_select[$tree]="-L e2e -E '$second_lane'"
  lane_prefix[$tree]=wineprefix
  lane_trees[$tree-2]=$tree
  lane_select[$tree-2]="-L e2e -R '$second_lane'"
  lane_prefix[$tree-2]=wineprefix-2
  lane_order+=("$tree" "$tree-2")
done
lane_trees[soak]=${trees[*]}
lane_select[soak]="-L soak"
lane_prefix[soak]=wineprefix-soak
lane_order+=(soak)
declare -A lane_nice=([soak]=0)
declare -A lane_pid lane_start
start_lane() {
  local lane=$1 tree
  echo "== end-to-end lane $lane started: ${lane_select[$lane]} of build/${lane_trees[$lane]// / and build/}"
  lane_start[$lane]=$(date +%s)
  rm -f "$logs/lane-$lane.end"
  (
    export KORVANE_PREFIX=${lane_prefix[$lane]}
    for tree in ${lane_trees[$lane]}; do
      if ! scripts/wine-prefix.sh "build/$tree"; then
        echo "test: Wine prefix $KORVANE_PREFIX of build/$tree failed"
        continue
      fi
      nice -n "${lane_nice[$lane]:-5}" scripts/on-xvfb.sh bash -c \
        ". scripts/wine-env.sh build/$tree && cd build/$tree && ctest --output-on-failure ${lane_select[$lane]}; wineserver -k" \
        >"$logs/lane-$lane-$tree.log" 2>&1
    done
    date +%s >"$logs/lane-$lane.end"
  ) >"$logs/lane-$lane.log" 2>&1 &
  lane_pid[$lane]=$!
}

package() {
  # The listing is read whole before it is searched: "unzip -l | grep -q" under pipefail fails at
  # random when grep stops reading early and unzip dies of SIGPIPE.
  local zip listing
  if [ "${built[win]}" = yes ] && cmake --build build/win --target package_zip >/dev/null &&
     zip=$(ls build/win/korvane-*.zip | head -1) &&
     unzip -p "$zip" korvane/KORVANE.EXE > "$logs/packaged.exe" && cmp -s "$logs/packaged.exe" build/win/korvane.exe &&
     unzip -p "$zip" korvane/KORVANE.HLP > "$logs/packaged.hlp" && cmp -s "$logs/packaged.hlp" build/win/Korvane.hlp &&
     listing=$(unzip -l "$zip") && grep -q korvane/README.TXT <<<"$listing" &&
     grep -q korvane/LICENSE.TXT <<<"$listing"; then
    echo "package: $zip"
    passed=$((passed + 1))
  else
    step_failed "package"
  fi
}
# The cross builds come first: the end-to-end suites, the longest stage, wait for them. The
# lanes start once both exes are built (the twin first, which is quicker to link); the package is
# made and checked before, as the help test moves the help file aside for a while.
echo "== cross builds: the shipped 32-bit exe (build/win) and its 64-bit twin (build/win64)"
declare -A built=([win]=no [win64]=no)
for tree in win64 win; do
  if timed "cross build $tree" scripts/build-win.sh "$tree"; then
    built[$tree]=yes
  else
    step_failed "cross build of build/$tree ($([ "$tree" = win ] && echo 32-bit || echo 64-bit twin))"
  fi
done
echo "== package: the zip holds the exe the tests ran and its help file"
timed package package
for lane in "${lane_order[@]}"; do
  runnable=""
  for tree in ${lane_trees[$lane]}; do [ "${built[$tree]}" = yes ] && runnable+=" $tree"; done
  lane_trees[$lane]=${runnable# }
  [ "$lane" = soak ] && [ "${KORVANE_SOAK_AFTER:-}" = 1 ] && continue
  [ -n "${lane_trees[$lane]}" ] && start_lane "$lane"
done

# The rest runs beside the suites at the lowest priority, so that their programs keep the
# processor when they need it: most of their time is spent waiting.
echo "== build checks of the shipped exe (build/win/korvane.exe)"
if [ "${built[win]}" = yes ]; then
  (cd build/win && nice -n 19 ctest --output-on-failure -L check) >"$logs/checks.log" 2>&1
  cat "$logs/checks.log"
  count "$logs/checks.log"
fi

native() {
  if nice -n 19 cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Debug >/dev/null &&
     nice -n 19 cmake --build build/native -j2 >"$logs/native-build.log" 2>&1; then
    (cd build/native && nice -n 19 ctest --output-on-failure -j2) >"$logs/native.log" 2>&1
    cat "$logs/native.log"
    count "$logs/native.log"
  else
    tail -40 "$logs/native-build.log"
    step_failed "native build"
  fi
}
echo "== native build and unit tests"
timed native native

fuzz() {
  if CC=clang CXX=clang++ nice -n 19 cmake -S . -B build/fuzz -DKORVANE_FUZZ=ON -DKORVANE_FUZZ_SECONDS=10 \
       -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null && nice -n 19 cmake --build build/fuzz -j2 >"$logs/fuzz-build.log" 2>&1; then
    (cd build/fuzz && nice -n 19 ctest --output-on-failure) >"$logs/fuzz.log" 2>&1
    cat "$logs/fuzz.log"
    count "$logs/fuzz.log"
  else
    tail -40 "$logs/fuzz-build.log"
    step_failed "fuzz build"
  fi
}
echo "== fuzz targets, a short run each (scripts/fuzz.sh runs them longer)"
timed fuzz fuzz

# KORVANE_SOAK_AFTER=1 starts the soaks only once the end-to-end lanes have ended (longer, but
# the soak then has the machine to itself).
if [ "${KORVANE_SOAK_AFTER:-}" = 1 ] && [ -n "${lane_trees[soak]}" ]; then
  for lane in "${lane_order[@]}"; do
    [ -n "${lane_pid[$lane]:-}" ] && wait "${lane_pid[$lane]}"
  done
  start_lane soak
fi

# Each lane's output, then a line per exe: the counts of its end-to-end programs and its soak.
declare -A tree_passed tree_failed
for lane in "${lane_order[@]}"; do
  [ -n "${lane_pid[$lane]:-}" ] || continue
  wait "${lane_pid[$lane]}"
  times+=("e2e lane $lane (build/${lane_trees[$lane]// / and build/}) $(( $(cat "$logs/lane-$lane.end" 2>/dev/null || date +%s) - lane_start[$lane] )) s")
  cat "$logs/lane-$lane.log"
  for tree in ${lane_trees[$lane]}; do
    before_p=$passed
    before_f=$failed
    echo "== end-to-end tests and soak under Wine: build/$tree/korvane.exe (${what[$tree]}), lane $lane (${lane_select[$lane]})"
    if grep -q "^test: Wine prefix .* of build/$tree failed" "$logs/lane-$lane.log"; then
      step_failed "Wine prefix ${lane_prefix[$lane]} of build/$tree"
    else
      cat "$logs/lane-$lane-$tree.log"
      count "$logs/lane-$lane-$tree.log"
    fi
    tree_passed[$tree]=$(( ${tree_passed[$tree]:-0} + passed - before_p ))
    tree_failed[$tree]=$(( ${tree_failed[$tree]:-0} + failed - before_f ))
  done
done
suites=()
for tree in "${trees[@]}"; do
  [ "${built[$tree]}" = yes ] || continue
  suites+=("e2e: build/$tree/korvane.exe (${what[$tree]}): ${tree_passed[$tree]:-0} passed, ${tree_failed[$tree]:-0} failed")
done

echo "== wall time of each stage (the end-to-end lanes ran side by side, beside the native and fuzz stages)"
for t in "${times[@]}"; do echo "time: $t"; done
for line in "${suites[@]}"; do echo "$line"; done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
