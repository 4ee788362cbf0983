# A file opened with fopen for writing is never closed implicitly: reading
# it by name is an error that ends the run with status 2.
BEGIN {
  f = fopen("w.txt", "w")
  fwrite("kept\n", f)
  getline line < "w.txt"
  print "not reached"
}
