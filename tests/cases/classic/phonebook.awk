# A phone book: "Last, First: number" lines are normalised (numbers keep
# digits only and are shown as NNN-NNN-NNNN; a leading 1 country code is
# dropped), invalid numbers are listed, and the entries are sorted by the
# sort(1) command through an output pipe; the number of distinct area
# codes comes back from a command through getline.
# Output to the pipe appears when the pipe is closed; the program prints
# nothing of its own while the pipe is open, so the order is the same
# in every AWK.
BEGIN { FS = ":" }
{
  name = $1; num = $2
  gsub(/[^0-9]/, "", num)
  if (length(num) == 11 && num ~ /^1/) num = substr(num, 2)
  if (length(num) != 10) { bad[++nbad] = $0; next }
  split(name, p, ",")
  gsub(/^ +| +$/, "", p[1]); gsub(/^ +| +$/, "", p[2])
  line[++n] = sprintf("%-20s %s-%s-%s", p[1] ", " p[2], substr(num, 1, 3), substr(num, 4, 3), substr(num, 7))
  area[substr(num, 1, 3)]++
}
END {
  print n " entries:"
  cmd = "sort"
  for (i = 1; i <= n; i++) print line[i] | cmd
  close(cmd)
  for (i = 1; i <= nbad; i++) print "invalid: " bad[i]
  tmp = "areas.tmp"
  for (a in area) print a > tmp
  close(tmp)
  cmd = "sort -u " tmp " | wc -l"
  cmd | getline count
  close(cmd)
  print "area codes: " count + 0
  system("rm -f " tmp)
}
