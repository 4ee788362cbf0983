# A file splitter: records "dept name salary" go to one output file per
# department (dept_<name>.txt, opened with ">" once and appended to by
# later prints until closed); after the input every file is closed, read
# back with getline to print its contents with a per-file total, and
# removed. A department name that is not a plain word goes to
# dept_other.txt.
#
# The departments print in natural order of their names (for-in is sorted
# here, so "r2" comes before "r10"); gawk and mawk print the same blocks
# in another order. File names are matched ignoring case here, so "Sales"
# and "sales" would share one file; the input keeps the case consistent.
{
  d = $1 ~ /^[A-Za-z0-9]+$/ ? $1 : "other"
  file = "dept_" d ".txt"
  print $2, $3 > file
  files[d] = file
  n[d]++
}
END {
  for (d in files) close(files[d])
  for (d in files) {
    total = 0; lines = 0
    printf "== %s (%d record%s)\n", files[d], n[d], n[d] == 1 ? "" : "s"
    while ((rc = getline line < files[d]) > 0) {
      split(line, f, " ")
      printf "   %-8s %8.2f\n", f[1], f[2]
      total += f[2]; lines++
    }
    close(files[d])
    printf "   %-8s %8.2f  read back %d line%s\n", "total", total, lines, lines == 1 ? "" : "s"
    system("rm -f " files[d])
  }
  if ((getline line < "dept_r2.txt") < 0) print "files removed"
}
