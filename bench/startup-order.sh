#!/usr/bin/env bash
# Regenerates cmake/startup-order.txt, the functions that short runs of vorn
# and vrun execute (a one-line program, and a few small ones that read
# records, match, substitute, split, count in an array and read with
# getline), which the linker (lld) places together at the front of the
# programs' code. A one-line program then faults in a few pages of code
# instead of one per 64 KiB of the whole program.
#
# The data those runs read or write follows the functions in the list,
# smallest first, so that the linker packs it at the front of its sections
# (each variable has a section of its own): the few hundred small variables
# a start touches share a few pages, instead of each pulling in a page of
# its own between large buffers that a short run never reaches.
#
#   bench/startup-order.sh [build directory, default build/release]
#
# Needs valgrind. A function missing from the list still works; it only
# lands among the others, so the list is worth regenerating after large
# changes to the start-up path.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(dirname "$here")
bin=${1:-$top/build/release}
out=$top/cmake/startup-order.txt
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

printf 'a b c\nd e f\n' > "$tmp/in.txt"
echo 'BEGIN { print "hello" }' > "$tmp/hello.awk"
"$bin/vornc" -o "$tmp/hello.ae" "$tmp/hello.awk"
n=0
profile() {
  n=$((n + 1))
  valgrind --tool=callgrind --demangle=no --callgrind-out-file="$tmp/cg.$n" "$@" > /dev/null 2>&1
  # Every data address the run touches, as offsets into the program: the
  # load address is where its entry point ran.
  valgrind --tool=lackey --trace-mem=yes --log-file="$tmp/mem.raw" "$@" > /dev/null 2>&1
  local start
  start=$(nm "$1" | awk '$2 == "T" && $3 == "_start" { print $1 }')
  awk -v start="$((16#$start))" '
    $1 == "I" && !base { split($2, a, ","); v = strtonum("0x" a[1]); if (v % 4096 == start % 4096 && v < 0x4000000) base = v - start }
    base && ($1 == "L" || $1 == "S" || $1 == "M") { split($2, a, ","); print strtonum("0x" a[1]) - base }
  ' "$tmp/mem.raw" > "$tmp/mem.$n"
  rm -f "$tmp/mem.raw"
  # The program's data objects: offset, size, name.
  nm -S --defined-only "$1" | awk '$3 ~ /^[bBdDrRuV]$/ && $2 != "" { print strtonum("0x" $1), strtonum("0x" $2), $4 }' \
    | sort -n > "$tmp/objs.$n"
}
# The one-line program comes first (runs 1 and 2): what it needs leads the
# list, so that it touches as few pages as can be.
profile "$bin/vorn" -f "$tmp/hello.awk"
profile "$bin/vrun" "$tmp/hello.ae"
firstRuns=$n
profile "$bin/vorn" '{ print $2, NF; n++ } END { printf "%d\n", n }' "$tmp/in.txt"
profile "$bin/vorn" '/b/ { sub(/a/, "x"); n += split($0, f) } END { printf "%d %s\n", n, toupper("x") }' "$tmp/in.txt"
profile "$bin/vorn" '{ a[$1]++; s = s substr($0, 2, 3) } END { for (k in a) print k, a[k]; print length(s) }' "$tmp/in.txt"
profile "$bin/vorn" -F: -v x=1 'BEGIN { while ((getline line < ARGV[1]) > 0) n++; close(ARGV[1]); print n + x }' "$tmp/in.txt"

# Callgrind names each object and function once, as "ob=(n) name" or
# "fn=(n) name", and by its number alone afterwards; "cob"/"cfn" name the
# callee of the next call. Prints the named functions of the programs
# themselves that run i executed.
functionsOf() {
  awk '
    function def(line, table,   id, rest) {
      id = line; sub(/^[a-z]+=\(/, "", id); rest = id; sub(/\).*/, "", id)
      sub(/^[0-9]+\) ?/, "", rest)
      if (rest != "") table[id] = rest
      return table[id]
    }
    /^ob=/  { ob = def($0, objs); next }
    /^cob=/ { cob = def($0, objs); next }
    /^fn=/  { name = def($0, fns); cob = ""; if (ob ~ /\/(vorn|vrun)$/) print name; next }
    /^cfn=/ { name = def($0, fns); o = cob != "" ? cob : ob; if (o ~ /\/(vorn|vrun)$/) print name; next }
  ' "$tmp/cg.$1" | awk '$0 != "" && $0 !~ /^0x/ && $0 != "(below main)"'
}

# The data objects run i touched, as "size name".
dataOf() {
  sort -n -u "$tmp/mem.$1" | awk '
    NR == FNR { at[NR] = $1; size[NR] = $2; name[NR] = $3; count = NR; next }
    {
      lo = 1; hi = count
      while (lo < hi) { mid = int((lo + hi + 1) / 2); if (at[mid] <= $1) lo = mid; else hi = mid - 1 }
      if (count && at[lo] <= $1 && $1 < at[lo] + size[lo] && !seen[lo]++) print size[lo], name[lo]
    }
  ' "$tmp/objs.$1" -
}

# Two tiers, what the one-line program needs and what the others add: the
# functions of each sorted by name, so that a new list differs from the old
# one only by the functions that came or went; the data smallest first
# (ties by name).
# The entry point, which callgrind counts as part of "(below main)", runs
# first of all, and the C run-time's start-up code (frame_dummy names its
# section) just after it.
for ((i = 1; i <= n; i++)); do
  [ "$i" = 1 ] && printf '1 _start\n1 frame_dummy\n'

  tier=$((i <= firstRuns ? 1 : 2))
  functionsOf "$i" | sed "s/^/$tier /"
  dataOf "$i" | sed "s/^/$tier /" >> "$tmp/data.all"
done | LC_ALL=C sort -k1,1n -k2,2 -u | awk '!seen[$2]++ { print $2 }' > "$tmp/order"
LC_ALL=C sort -k1,1n -k2,2n -k3,3 -u "$tmp/data.all" | awk '!seen[$3]++ { print $3 }' > "$tmp/data"

{
  echo "# Generated by bench/startup-order.sh: the functions short runs execute,"
  echo "# then the data they touch, those of a one-line program first; the linker"
  echo "# places them first in their sections. Names are as the linker sees them."
  cat "$tmp/order" "$tmp/data"
} > "$out"
echo "$(cat "$tmp/order" | wc -l) functions and $(cat "$tmp/data" | wc -l) data objects in $out"
