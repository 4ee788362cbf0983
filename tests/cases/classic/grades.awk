# A grade book: "name score score ..." lines (scores 0-100, "-" for a
# missed test, which counts as 0 but is listed). For each student: the
# average with the lowest score dropped (when there are at least 3), a
# letter grade, and a bar; then per-test class averages, the class mean
# and standard deviation of the averages, and the students ranked.
#
# The ranking is the program's own insertion sort; ties keep input order.
# mawk and gawk print the same.
function letter(a) {
  return a >= 90 ? "A" : a >= 80 ? "B" : a >= 70 ? "C" : a >= 60 ? "D" : "F"
}
NF < 2 { next }
{
  n++
  name[n] = $1
  sum = 0; low = 101; missed = ""
  for (i = 2; i <= NF; i++) {
    s = $i == "-" ? 0 : $i + 0
    if ($i == "-") missed = missed " " i - 1
    sum += s
    if (s < low) low = s
    tsum[i - 1] += s
    if (i - 1 > ntests) ntests = i - 1
  }
  cnt = NF - 1
  if (cnt >= 3) { sum -= low; cnt-- }
  avg[n] = sum / cnt
  miss[n] = missed
}
END {
  printf "%-10s %7s %s\n", "student", "average", "grade"
  for (i = 1; i <= n; i++) {
    bar = substr("##########", 1, int(avg[i] / 10 + 0.5))
    printf "%-10s %7.2f %-5s %-10s%s\n", name[i], avg[i], letter(avg[i]), bar, miss[i] == "" ? "" : "  missed test" miss[i]
    mean += avg[i]
  }
  mean /= n
  for (i = 1; i <= n; i++) var += (avg[i] - mean) ^ 2
  sd = sqrt(var / n)
  printf "tests:"
  for (t = 1; t <= ntests; t++) printf " %d=%.1f", t, tsum[t] / n
  printf "\nclass mean %.2f, standard deviation %.2f\n", mean, sd
  for (i = 1; i <= n; i++) rank[i] = i
  for (i = 2; i <= n; i++) {
    r = rank[i]
    for (j = i - 1; j >= 1 && avg[rank[j]] < avg[r]; j--) rank[j + 1] = rank[j]
    rank[j + 1] = r
  }
  printf "ranking:"
  for (i = 1; i <= n; i++) printf " %d.%s", i, name[rank[i]]
  print ""
}
