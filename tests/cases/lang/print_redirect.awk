# print and printf with > (truncate once, then append while open), >> and
# | cmd; close() ends a redirection so that the output can be read back; a
# parenthesized item list; print with no items prints $0; a comparison in a
# print list needs parentheses.
BEGIN {
  print "first" > "out.txt"
  print "second" > "out.txt"
  printf "%s-%d\n", "third", 3 > "out.txt"
  close("out.txt")
  print "fourth" >> "out.txt"
  print("fifth", 5) >> "out.txt"
  close("out.txt")
  while ((getline l < "out.txt") > 0) print "read:", l
  print "b" | "sort"
  print "a" | "sort"
  close("sort")
  printf("%d %s\n", 42, "piped") | "cat"
  close("cat")
  $0 = "whole record"
  print > "rec.txt"
  close("rec.txt")
  getline r < "rec.txt"; print r
  print (2 > 1), (1 > 2)
  f = "out"; print "to", "concatenated name" > f ".2"
  close(f ".2"); getline r < "out.2"; print r
}
