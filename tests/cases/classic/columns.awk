# A column aligner (like column -t) for whitespace-separated tables: all
# records are kept, each column's width is its widest cell, numeric
# columns (every cell but the header a number) are right-aligned, others
# left-aligned; a rule of dashes follows the header, and numeric columns
# get a total line.
#
# A cell is numeric when it matches the program's own pattern; no string
# comparison with numbers is involved, so gawk and mawk print the same.
{
  for (i = 1; i <= NF; i++) {
    cell[NR, i] = $i
    if (length($i) > w[i]) w[i] = length($i)
    if (NR > 1 && $i !~ /^-?[0-9]+(\.[0-9]+)?$/) text[i] = 1
    if (NR > 1) sum[i] += $i
  }
  if (NF > nc) nc = NF
}
END {
  for (i = 1; i <= nc; i++) if (!(i in text)) {
    t[i] = sprintf(sum[i] == int(sum[i]) ? "%d" : "%.2f", sum[i])
    if (length(t[i]) > w[i]) w[i] = length(t[i])
  }
  for (r = 1; r <= NR; r++) {
    line = ""
    for (i = 1; i <= nc; i++) {
      line = line (i > 1 ? "  " : "") sprintf(i in text ? "%-*s" : "%*s", w[i], cell[r, i])
    }
    sub(/ +$/, "", line)
    print line
    if (r == 1) {
      line = ""
      for (i = 1; i <= nc; i++) line = line (i > 1 ? "  " : "") sprintf("%*s", w[i], "")
      gsub(/ /, "-", line)
      print line
    }
  }
  line = ""
  for (i = 1; i <= nc; i++)
    line = line (i > 1 ? "  " : "") sprintf(i in text ? "%-*s" : "%*s", w[i], i in text ? (i == 1 ? "total" : "") : t[i])
  sub(/ +$/, "", line)
  print line
}
