# A join of two files on their first field, like join(1) on unsorted
# input: the second operand (the detail file) is read record by record
# through getline from ARGV[2] in BEGIN, the first operand is the main
# input. Details without a master are reported at the end.
# ARGV[2] is emptied after reading so the main loop skips it (an empty
# operand is not a file). Output order is the master file's order, then
# the orphans in natural order of their keys (for-in is sorted here, so
# c5 comes before c12; gawk and mawk use hash order, and a string sort
# would put c12 first).
# The stored value is evaluated before the element it goes to, so
# (key in d) is false for a key's first detail; mawk creates the element
# first and prints an extra empty detail line for each master.
BEGIN {
  if (ARGC < 3) { print "usage: join master detail" > "/dev/stderr"; exit 2 }
  detail = ARGV[2]
  while ((rc = getline line < detail) > 0) {
    nd++
    split(line, f, /:/)
    key = f[1]
    rest = substr(line, length(key) + 2)
    d[key] = (key in d) ? d[key] ";" rest : rest
    cnt[key]++
  }
  if (rc < 0) { print "cannot read " detail; exit 2 }
  close(detail)
  ARGV[2] = ""
  FS = ":"
}
{
  if ($1 in d) {
    m = split(d[$1], parts, ";")
    for (i = 1; i <= m; i++) print $1, $2, parts[i]
    used[$1] = 1
  } else print $1, $2, "(no details)"
}
END {
  for (k in cnt)
    if (!(k in used)) printf "orphan %s: %d detail line%s\n", k, cnt[k], cnt[k] == 1 ? "" : "s"
  printf "%d master lines, %d detail lines\n", NR, nd
}
