# A histogram of measurements: values are put into bins of width BIN
# (default 5) and drawn as rows of "*", one star per STEP counts (scaled
# so the longest bar is at most 30 stars), with count and cumulative
# percentage. Lines that are not numbers are counted and skipped.
# Mean, minimum, maximum and the median are printed at the end.
# The bins print in natural order of their keys (for-in is sorted here),
# which puts -5 before 0 and 10 after 5; gawk and mawk print the same
# lines in another order unless sorted.
BEGIN { if (BIN == "") BIN = 5 }
$1 !~ /^-?[0-9]+(\.[0-9]*)?$/ { skipped++; next }
{
  v = $1 + 0
  b = v >= 0 ? int(v / BIN) * BIN : -int((-v + BIN - 1) / BIN) * BIN
  bin[b]++
  if (bin[b] > most) most = bin[b]
  vals[++n] = v
  sum += v
  if (n == 1 || v < lo) lo = v
  if (n == 1 || v > hi) hi = v
}
END {
  if (n == 0) { print "no data"; exit 1 }
  step = most > 30 ? int((most + 29) / 30) : 1
  for (b in bin) {
    cum += bin[b]
    bar = sprintf("%*s", int(bin[b] / step), "")
    gsub(/ /, "*", bar)
    printf "%5s..%-5s %3d %5.1f%% |%s\n", b, b + BIN - 1, bin[b], 100 * cum / n, bar
  }
  # insertion sort for the median
  for (i = 2; i <= n; i++) {
    x = vals[i]
    for (j = i - 1; j >= 1 && vals[j] > x; j--) vals[j + 1] = vals[j]
    vals[j + 1] = x
  }
  med = n % 2 ? vals[(n + 1) / 2] : (vals[n / 2] + vals[n / 2 + 1]) / 2
  printf "n=%d mean=%.2f min=%s max=%s median=%s skipped=%d\n", n, sum / n, lo, hi, med, skipped
}
