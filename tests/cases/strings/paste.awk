# paste joins strings and arrays (elements 1, 2, ... up to the first
# missing one) with a separator; an array of separators gives sep[j]
# between pieces j and j+1, or the last one found.
BEGIN {
  print paste("x", "y", "z", "-")
  print "[" paste("-") "]", paste("only", ", ")
  a[1] = "a"; a[2] = "b"; a[3] = "c"
  sep[1] = "+"
  print paste(a, sep)
  s2[1] = "1"; s2[3] = "3"
  b[1] = "a"; b[2] = "b"; b[3] = "c"; b[4] = "d"; b[5] = "e"
  print paste(b, s2)
  late[2] = ","
  print paste(a, late)
  gap[1] = "p"; gap[3] = "r"
  print paste(gap, "x", a, "/")
  print paste(1, 2.5, 1/4, ":")
  n = split("2024 01 15", d, " ")
  print paste(d, "-")
}
