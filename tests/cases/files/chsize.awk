# chsize cuts or extends a file: pending output is flushed first, a file
# that is not open is opened and closed around the cut, a read-only stream
# is noted, and a negative size does nothing.
BEGIN {
  printf "0123456789" > "out"
  r = chsize("out", 4)
  print "open for writing:", r, filesize("out")
  printf "abc" > "out"
  close("out")
  print "later output lands at the old position:", filesize("out")
  r = chsize("out", 8)
  print "not open, extended:", r, filesize("out")
  f = fopen("out", "r+")
  printf "XY" > f
  r = chsize(f, 1)
  close(f)
  getline line < "out"
  print "by fileid:", r, filesize("out"), line
  close("out")
  getline line < "out"
  r = chsize("out", 0)
  print "open for reading:", r, filesize("out")
  close("out")
  print "negative size:", "[" chsize("out", -1) "]", filesize("out"), chsize("missing/file", 1)
}
