# fopen gives a fileid that getline, fwrite, ftell, fseek and close take
# instead of a name. A name already open (here through output redirection)
# is refused with a warning and a fileid of no stream, which ftell then
# reports as not open.
BEGIN {
  f = fopen("out.txt", "w")
  print typeof(f)
  n = fwrite("hello\n", f)
  print "wrote", n, "at", ftell(f)
  printf "more\n" > f
  print "at", ftell(f)
  print "close", close(f)
  print "after close", ftell(f)
  while ((getline l < "out.txt") > 0) print "file:", l
  close("out.txt")

  print "x" > "busy.txt"
  g = fopen("busy.txt", "r")
  print "ftell", ftell(g)

  a = fopen("app.txt", "a")
  fwrite("1\n", a)
  close(a)
  a = fopen("app.txt", "a")
  fwrite("2\n", a)
  close(a)
  h = fopen("app.txt", "r")
  while ((getline l < h) > 0) print "appended", l
  close(h)

  m = fopen("missing-dir/x.txt", "w")
  print "failed open", ftell(m)
}
