# The getline forms: plain getline (next record into $0, NR and FNR
# advance), getline var (into var, NR advances), getline < file and
# getline var < file (NR does not change), cmd | getline and
# cmd | getline var. The run-time's rules differ from POSIX in two places:
# a command read by cmd | getline does not advance NR, and a getline that
# reads nothing still assigns the empty string to its target (so the loop
# variable is empty after the last line). An unopenable file gives -1.
NR == 1 {
  print "rec", $0, NR
  getline; print "plain", $0, NR, FNR
  getline v; print "var", v, $0, NR
  while ((getline line < file) > 0) n++
  print "file lines", n, "[" line "]", NR
  print (getline line < file)
  close(file); getline < file; print "file $0", $0, NF, NR
  "echo x y z" | getline; print "cmd", $0, NF, NR
  "echo one" | getline w; print "cmd var", w
  r = getline q < "no/such/file"; print r, "[" q "]"
  "echo " "cat" | getline c; print "concat", c
}
END { print "end", NR, "[" $0 "]" }
