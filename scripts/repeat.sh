#!/bin/bash
# Runs end-to-end programs N times each, in rounds (every program once, then again), under one
# Xvfb screen of their own, and prints each program's pass count and its mean wall time. Finds the rare failure before
# it finds a test run. The output of every failed run is kept in
# build/logs/repeat/<tree>-<program>-<round>.log.
# Usage: scripts/repeat.sh N [tree] [program...]
#   tree     win (the default where the host runs 32-bit programs) or win64 (the default elsewhere);
#            build/win and build/win64 are taken too
#   program  names such as hostile_titles_e2e (".exe" optional); all of the tree's e2e programs
#            when none are named. soak_2min runs the two-minute soak.
# Exits non-zero when any run failed.
set -uo pipefail
cd "$(dirname "$0")/.."
runs=${1:?usage: scripts/repeat.sh N [tree] [program...]}
shift
if [ $# -gt 0 ] && [[ "$1" != *_e2e* && "$1" != soak* ]]; then
  tree=${1#build/}
  shift
else
  tree=$(. scripts/host-arch.sh >/dev/null; [ "$KORVANE_HOST32" = yes ] && echo win || echo win64)
fi
build=build/$tree
[ -f "$build/korvane.exe" ] || { echo "repeat: $build/korvane.exe is missing (scripts/build-win.sh $tree)" >&2; exit 2; }
programs=()
if [ $# -eq 0 ]; then
  for f in "$build"/tests/e2e/*_e2e.exe; do
    n=${f##*/}
    programs+=("${n%.exe}")
  done
else
  for p in "$@"; do programs+=("${p%.exe}"); done
fi
exe_of() {
  case "$1" in
    soak*) echo "$build/tests/soak/korvane_soak.exe" ;;
    *) echo "$build/tests/e2e/$1.exe" ;;
  esac
}
for p in "${programs[@]}"; do
  [ -f "$(exe_of "$p")" ] || { echo "repeat: $(exe_of "$p") is missing" >&2; exit 2; }
done
logs=build/logs/repeat
mkdir -p "$logs"
scripts/wine-prefix.sh "$build" || exit 1

# One round under the screen: every program once, each as CTest runs it (time limit included).
# Prints "<program> <exit status> <seconds>" per run.
round() {
  local r=$1 p rc t0 log
  for p in "${programs[@]}"; do
    log="$logs/$tree-$p-$r.log"
    t0=$SECONDS
    if [[ "$p" == soak* ]]; then
      KORVANE_RUN_SECONDS=580 scripts/wine-run.sh "$build" "$(exe_of "$p")" 2 >"$log" 2>&1
    else
      KORVANE_RUN_SECONDS=285 scripts/wine-run.sh "$build" "$(exe_of "$p")" >"$log" 2>&1
    fi
    rc=$?
    [ "$rc" = 0 ] && rm -f "$log"
    echo "$p $rc $((SECONDS - t0))"
  done
}
export -f round exe_of
export build tree logs
declare -A pass fails secs_sum
for p in "${programs[@]}"; do pass[$p]=0; fails[$p]=""; secs_sum[$p]=0; done
for r in $(seq 1 "$runs"); do
  export r
  while read -r p rc secs; do
    [ -n "$p" ] || continue
    secs_sum[$p]=$((secs_sum[$p] + secs))
    if [ "$rc" = 0 ]; then
      pass[$p]=$((pass[$p] + 1))
    else
      fails[$p]+=" $r"
      echo "repeat: $p failed in round $r (exit $rc, $secs s): $logs/$tree-$p-$r.log"
    fi
  done < <(programs="${programs[*]}" scripts/on-xvfb.sh bash -c \
             'read -ra programs <<<"$programs"; round "$r"; . scripts/wine-env.sh "$build"; wineserver -k' 2>/dev/null)
done
echo "repeat: $build/korvane.exe, $runs runs each"
all=0
for p in "${programs[@]}"; do
  printf '%-28s %3d/%d passed, %4d s a run%s\n' "$p" "${pass[$p]}" "$runs" $((secs_sum[$p] / runs)) \
    "${fails[$p]:+ (failed in round${fails[$p]})}"
  [ "${pass[$p]}" = "$runs" ] || all=1
done
exit "$all"
