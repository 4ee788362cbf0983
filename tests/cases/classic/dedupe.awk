# uniq-like tools in one program, chosen per input file with MODE (an
# assignment operand placed before the file takes effect before the
# file's first record is read):
#   MODE=count  lines with their number of occurrences, first-seen order
#   MODE=dups   only lines that occur more than once, once each
#   MODE=first  every line the first time it is seen (like awk '!a[$0]++')
# Comparison ignores case and surrounding blanks; the first spelling seen
# is the one printed. Each file is reported on its own.
function norm(s) { s = tolower(s); sub(/^[ \t]+/, "", s); sub(/[ \t]+$/, "", s); return s }
function report(   i, k) {
  for (i = 1; i <= n; i++) {
    k = order[i]
    if (mode == "count") printf "%4d %s\n", seen[k], spelling[k]
    else if (mode == "dups" && seen[k] > 1) print spelling[k]
  }
  delete seen; delete order; delete spelling; n = 0
}
FNR == 1 { if (NR > 1) report(); mode = MODE; print "-- " mode }
{
  k = norm($0)
  if (!(k in seen)) { order[++n] = k; spelling[k] = $0 }
  if (++seen[k] == 1 && mode == "first") print
}
END { report() }
