# Records and fields kept by the program (in variables, arrays, a getline
# variable, a function's argument) survive the records read after them,
# whether those are longer or shorter, split or not; fields keep comparing
# as numbers when they look like numbers.
function later(x) { getline; return x "|" $0 }
{ whole[NR] = $0; first[NR] = $1; last = $NF }
NR == 2 { was = $0; getline; print "after getline:", was, "/", $0, NR }
NR == 5 { getline line; print "getline var:", $0, "/", line }
NR == 7 { print "arg:", later($2) }
NR == 9 { $2 = "X"; kept = $0; print "rebuilt:", kept }
END {
  for (i = 1; i <= NR; i++) if (i in whole) print i, whole[i], "[" first[i] "]"
  print "last:", last
  print (first[1] == 10.0), (first[1] < first[3])
}
