# Reading a file that was last written by name closes it (with a warning)
# and reads it from its start; writing it again closes the reader the same
# way and truncates the file.
BEGIN {
  print "first" > "f.txt"
  print "second" > "f.txt"
  getline a < "f.txt"
  print "read", a
  print "third" > "f.txt"
  close("f.txt")
  while ((getline b < "f.txt") > 0) print "now", b
}
