#!/usr/bin/env bash
# Counts the instructions each AWK executes on the benchmark programs with
# callgrind: deterministic where wall-clock times on a loaded machine are
# not. vorn runs as vrun on an image compiled beforehand, so compilation is
# not counted. Loop bounds of 10000 and more are divided by DIV (default 10)
# to keep the runs short.
#
#   bench/icount.sh [program-name...]
#   DIV=1 BUILD=build/release bench/icount.sh cpu_fib
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
BUILD=${BUILD:-$root/build/release}
DIV=${DIV:-10}
AWKS=${AWKS:-"vorn mawk gawk original-awk"}
SIZE=${SIZE:-5}
data=$here/data
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if [ ! -x "$data/gen_data" ] || [ "$here/gen_data.cpp" -nt "$data/gen_data" ]; then
  c++ -O2 -std=c++17 -o "$data/gen_data" "$here/gen_data.cpp" || exit 1
fi
[ -f "$data/text-$SIZE.txt" ] || "$data/gen_data" text "$SIZE" > "$data/text-$SIZE.txt"
[ -f "$data/data-$SIZE.csv" ] || "$data/gen_data" csv "$SIZE" > "$data/data-$SIZE.csv"

input_for() {
  case $1 in
    csv|csvfields) echo "$data/data-$SIZE.csv" ;;
    cpu_*|millionkeys|delete_*|startup*) echo /dev/null ;;
    *) echo "$data/text-$SIZE.txt" ;;
  esac
}

# Total instructions (Ir) of one run under callgrind.
count() {
  local out=$work/cg.out
  valgrind --tool=callgrind --callgrind-out-file="$out" "$@" > "$work/stdout" 2> /dev/null
  awk '/^summary:/ { print $2 }' "$out"
}

programs=("$@")
if [ ${#programs[@]} -eq 0 ]; then
  for f in "$here"/programs/*.awk; do programs+=("$(basename "$f" .awk)"); done
fi

header="| program |"; rule="|---|"
for a in $AWKS; do header+=" $a |"; rule+="---|"; done
echo "$header"; echo "$rule"
for p in "${programs[@]}"; do
  prog=$work/$p.awk
  perl -pe 's/\b(\d{5,})\b/int($1 \/ '"$DIV"')/ge' "$here/programs/$p.awk" > "$prog"
  input=$(input_for "$p")
  row="| $p |"; ref=""
  declare -A n=()
  for a in $AWKS; do
    case $a in
      vorn) "$BUILD/vornc" -o "$work/$p.ae" "$prog" || { n[$a]=failed; continue; }
            n[$a]=$(count "$BUILD/vrun" "$work/$p.ae" "$input") ;;
      *) command -v "$a" > /dev/null || { n[$a]=missing; continue; }
         n[$a]=$(count "$a" -f "$prog" "$input") ;;
    esac
  done
  ref=${n[mawk]:-}
  for a in $AWKS; do
    cell=${n[$a]}
    if [[ $cell =~ ^[0-9]+$ ]]; then
      cell=$(printf "%'d" "$cell" 2>/dev/null || echo "$cell")
      if [[ ${ref:-} =~ ^[0-9]+$ ]] && [ "$ref" -gt 0 ]; then
        cell+=" ($(echo "${n[$a]} / $ref" | bc -l | xargs printf '%.2f')×)"
      fi
    fi
    row+=" $cell |"
  done
  echo "$row"
  unset n
done
