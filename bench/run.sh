#!/usr/bin/env bash
# Times every benchmark program under vorn, mawk, gawk and original-awk on
# the same input in one run, checks that their outputs agree, and prints a
# Markdown table of each AWK's best of RUNS wall-clock times, taken in
# rounds that run every AWK in turn, with ratios to mawk.
#
#   bench/run.sh [program-name...]      (default: every program)
#   SIZE=50 RUNS=3 MEASURE=cpu VORN=build/release/vorn bench/run.sh
#   MEASURE=cpu MEMORY=1 bench/run.sh delete_half   (adds each AWK's peak memory)
#
# Programs named startup* measure start-up: each timed run is a loop of
# STARTS (default 200) runs of the program, so the row is STARTS times the
# cost of one start (plus the same small loop overhead for every AWK); it
# takes the best of START_RUNS (default 9, or RUNS if more) timings.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
SIZE=${SIZE:-50}
RUNS=${RUNS:-3}
MEASURE=${MEASURE:-wall}
MEMORY=${MEMORY:-0}
STARTS=${STARTS:-200}
# A start-up row is short and a burst of load on a shared machine moves it
# by tenths: it takes the best of more runs.
START_RUNS=${START_RUNS:-$((RUNS > 9 ? RUNS : 9))}
VORN=${VORN:-$root/build/release/vorn}
data=$here/data
results=$here/results
mkdir -p "$data" "$results"

if [ ! -x "$data/gen_data" ] || [ "$here/gen_data.cpp" -nt "$data/gen_data" ]; then
  c++ -O2 -std=c++17 -o "$data/gen_data" "$here/gen_data.cpp" || exit 1
fi
if [ ! -x "$data/cputime" ] || [ "$here/cputime.cpp" -nt "$data/cputime" ]; then
  c++ -O2 -std=c++17 -o "$data/cputime" "$here/cputime.cpp" || exit 1
fi
[ -f "$data/text-$SIZE.txt" ] || "$data/gen_data" text "$SIZE" > "$data/text-$SIZE.txt"
[ -f "$data/data-$SIZE.csv" ] || "$data/gen_data" csv "$SIZE" > "$data/data-$SIZE.csv"

declare -A awk_cmd=([vorn]=$VORN [mawk]=mawk [gawk]=gawk [original-awk]=original-awk)
awks=()
for a in vorn mawk gawk original-awk; do
  if command -v "${awk_cmd[$a]}" >/dev/null 2>&1; then awks+=("$a"); else echo "skipping $a: not found" >&2; fi
done

input_for() {
  case $1 in
    csv|csvfields) echo "$data/data-$SIZE.csv" ;;
    cpu_*|millionkeys|delete_*|startup*) echo /dev/null ;;
    *) echo "$data/text-$SIZE.txt" ;;
  esac
}

# Time in seconds of one run (wall clock, or with MEASURE=cpu the user and
# system time, which a loaded machine disturbs far less), with its output,
# exit status and (MEASURE=cpu) peak memory beside `out`.
time_once() {
  local out=$1; shift
  local t0 t1
  # Every run writes to a regular file: a character device such as
  # /dev/null is flushed after each statement by the run-time.
  if [ "$MEASURE" = cpu ]; then
    "$data/cputime" "$out.time" "$@" > "$out" 2> "$out.err"
    echo $? > "$out.status"
    awk 'END { printf "%.1f", $3 / 1024 }' "$out.time" > "$out.rss"
    awk 'END { printf "%.4f", $1 + $2 }' "$out.time"
  else
    t0=$(date +%s.%N)
    "$@" > "$out" 2> "$out.err"
    echo $? > "$out.status"
    t1=$(date +%s.%N)
    echo "$t1 - $t0" | bc -l
  fi
}

programs=("$@")
if [ ${#programs[@]} -eq 0 ]; then
  for f in "$here"/programs/*.awk; do programs+=("$(basename "$f" .awk)"); done
fi

header="| program |"
rule="|---|"
for a in "${awks[@]}"; do header+=" $a |"; rule+="---|"; done
echo "$header"
echo "$rule"
for p in "${programs[@]}"; do
  prog=$here/programs/$p.awk
  input=$(input_for "$p")
  declare -A secs=()
  # Rounds go over every AWK in turn, so that a spell of load on a shared
  # machine falls on all of them alike; each keeps its best time.
  runs=$RUNS
  case $p in startup*) runs=$START_RUNS ;; esac
  for ((r = 0; r < runs; r++)); do
    for a in "${awks[@]}"; do
      out=$results/$p.$a.out
      case $p in
        startup*) t=$(time_once "$out" bash -c 'for ((i = 0; i < $0; i++)); do "$@"; done' \
                      "$STARTS" "${awk_cmd[$a]}" -f "$prog" "$input") ;;
        *) t=$(time_once "$out" "${awk_cmd[$a]}" -f "$prog" "$input") ;;
      esac
      if [ -z "${secs[$a]:-}" ] || [ "$(echo "$t < ${secs[$a]}" | bc -l)" = 1 ]; then secs[$a]=$t; fi
    done
  done
  for a in "${awks[@]}"; do
    secs[$a]=$(printf '%.3f' "${secs[$a]}")
    sort "$results/$p.$a.out" > "$results/$p.$a.sorted"
  done
  row="| $p |"
  ref=${secs[mawk]:-}
  for a in "${awks[@]}"; do
    cell="${secs[$a]}s"
    if [ "$(cat "$results/$p.$a.out.status")" != 0 ]; then
      row+=" failed |"; continue
    fi
    if [ -n "$ref" ] && [ "$(echo "$ref > 0" | bc -l)" = 1 ]; then
      cell+=" ($(printf '%.2f' "$(echo "${secs[$a]} / $ref" | bc -l)")×)"
    fi
    if [ "$a" != mawk ] && [ -f "$results/$p.mawk.sorted" ] &&
       ! cmp -s "$results/$p.$a.sorted" "$results/$p.mawk.sorted"; then
      cell+=" differs"
    fi
    if [ "$MEMORY" = 1 ] && [ -f "$results/$p.$a.out.rss" ]; then
      cell+=" $(cat "$results/$p.$a.out.rss") MiB"
    fi
    row+=" $cell |"
  done
  echo "$row"
  unset secs
done
