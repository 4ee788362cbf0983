# Truth of values: a string is true when it is not empty (so "0" is true),
# a number when it is not zero; a float counts as zero within the tolerance
# its decimals count gives. A regular expression constant used as a value
# matches $0. ! gives 0 or 1.
BEGIN {
  n = split("0|1|0.0|a| ", v, "|")
  for (i = 1; i <= n; i++) printf "[%s]%s ", v[i], (v[i] ? "T" : "F")
  print ""
  print ("0" ? "T" : "F"), (0 ? "T" : "F"), ("" ? "T" : "F"), (u ? "T" : "F"), (0.0001 ? "T" : "F")
  z = 0.3 - 0.1 - 0.2
  print (z ? "T" : "F"), !z, !"", !"a", !0, !7, !!7
  $0 = "abc"
  print /b/ ? "match" : "no", !/z/
  while (i-- > 1) s = s i
  print s
}
