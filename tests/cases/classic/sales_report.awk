# A sales report: pipe-separated records (zone|rep|month|amount) become a
# report grouped by zone, with per-rep lines, zone subtotals, a grand
# total, each zone's share and the best rep overall.
# The zones come out in natural order ("Zone 2" before "Zone 10") because
# for-in sorts keys naturally here; gawk and mawk visit keys in hash
# order, and even sorted as strings Zone 10 would come before Zone 2.
# Comment lines start with "#".
BEGIN { FS = "|" }
/^#/ || NF < 4 { next }
{
  zone = $1; rep = $2; amt = $4 + 0
  zonesum[zone] += amt
  repsum[zone, rep] += amt
  sales[zone, rep]++
  reps[zone] = reps[zone] SUBSEP rep
  grand += amt
  n++
}
END {
  line = sprintf("%46s", ""); gsub(/ /, "-", line)
  printf "%-12s %-14s %5s %12s\n", "Zone", "Rep", "Sales", "Amount"
  print line
  for (zone in zonesum) {
    first = 1
    split(substr(reps[zone], 2), rl, SUBSEP)
    delete seen
    for (i = 1; i in rl; i++) {
      rep = rl[i]
      if (rep in seen) continue
      seen[rep] = 1
      printf "%-12s %-14s %5d %12.2f\n", first ? zone : "", rep, sales[zone, rep], repsum[zone, rep]
      first = 0
      if (repsum[zone, rep] > best) { best = repsum[zone, rep]; bestrep = rep " (" zone ")" }
    }
    printf "%-12s %-14s %5s %12.2f  %5.1f%%\n", "", "subtotal", "", zonesum[zone], 100 * zonesum[zone] / grand
  }
  print line
  printf "%-12s %-14s %5d %12.2f\n", "TOTAL", "", n, grand
  printf "best rep: %s with %.2f\n", bestrep, best
}
