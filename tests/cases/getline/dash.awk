# getline < "-" reads what the stdin variable designates: standard input.
# For fopen, "-" is an ordinary file name.
BEGIN {
  while ((getline l < "-") > 0) print "stdin:", l
  f = fopen("-", "w")
  fwrite("file named dash\n", f)
  close(f)
  getline l < "./-"
  print l
}
