# fseek of a file that getline has read to its end reopens it: the next
# getline gives the first line again. Offsets count from the start, the
# current position (whence 1) or the end (whence 2).
BEGIN {
  printf "alpha\nbeta\ngamma\n" > "s.txt"
  close("s.txt")
  while ((getline l < "s.txt") > 0) n++
  r = getline l < "s.txt"
  print "lines", n, "eof", r, "ftell", ftell("s.txt")
  print "seek", fseek("s.txt", 0)
  getline l < "s.txt"
  print "first again", l
  print "seek", fseek("s.txt", -6, 2)
  getline l < "s.txt"
  print "from end", l
  print "seek", fseek("s.txt", 6)
  getline l < "s.txt"
  print "from start", l, ftell("s.txt")
  print "seek", fseek("s.txt", -5, 1)
  getline l < "s.txt"
  print "from here", l
  print "bad offset", fseek("s.txt", -100)
  print "not open", fseek("never.txt", 0)

  # a read-write stream: read a line, overwrite the next bytes, re-read
  close("s.txt")
  f = fopen("s.txt", "r+")
  getline l < f
  fwrite("BETA", f)
  fseek(f, 0)
  while ((getline l < f) > 0) print "rw", l
  close(f)
}
