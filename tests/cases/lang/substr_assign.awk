# Substring assignment substr(v, m [, n]) = t replaces that part of the
# variable (a global, a local, an array element): start below 1 counts as 1
# and a start past the end appends; without n the rest is replaced.
function loc(   s) { s = "local"; substr(s, 1, 1) = "L"; return s }
BEGIN {
  s = "hello"; substr(s, 2, 3) = "XY"; print s
  s = "hello"; substr(s, 0) = "Z"; print s
  s = "hello"; substr(s, 3) = "--"; print s
  s = "hello"; substr(s, 10) = "!"; print s
  s = "hello"; substr(s, 2, 0) = "+"; print s
  s = "hello"; substr(s, 2, -4) = "*"; print s
  a["k"] = "abc"; substr(a["k"], 2, 1) = "BBB"; print a["k"]
  print loc()
  n = 12345; substr(n, 1, 2) = "9"; print n, length(n)
}
