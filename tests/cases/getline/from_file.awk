# getline var < file: 1 for each line, then 0 on this and every later call
# (the variable then holds ""), -1 for a file that cannot be opened (no
# message) or read. close() lets the file be read again from its first
# line. (gawk also gives -1 for a directory; mawk stops with a read error.)
BEGIN {
  printf "one\ntwo\nthree\n" > "data.txt"
  close("data.txt")
  while ((r = (getline line < "data.txt")) > 0)
    print r, line
  print "end", r
  line = "stale"
  r = getline line < "data.txt"
  print "again", r, "[" line "]"
  r = close("data.txt")
  print "close", r
  getline line < "data.txt"
  print "reopened", line
  x = "stale"
  r = getline x < "no/such/file"
  print "missing", r, "[" x "]"
  # a directory opens but cannot be read: an error, not an empty file
  system("mkdir adir")
  r = getline x < "adir"
  print "directory", r
  # a file name that differs only in letter case is another file
  r = getline line < "DATA.TXT"
  print "case", r, line
}
