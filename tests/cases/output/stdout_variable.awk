# stdout may name a file: print and printf write it from its start without
# truncating it; once that file is closed, output through the variable is
# dropped without a message. Holding stderr, it sends output there.
BEGIN {
  keep = stdout
  printf "0123456789\n" > "so.out"; close("so.out")
  stdout = "so.out"; print "ab"; printf "%s!", "cd"
  close("so.out"); print "gone"
  stdout = stderr; print "to-stderr"
  stdout = keep
  while ((getline l < "so.out") > 0) print l
}
