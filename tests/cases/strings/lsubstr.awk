# Assigning to substr(v, m [, n]) replaces that part of v: the start is
# clamped into the string, the count to what is left. Not in POSIX awk.
BEGIN {
  s = "hello world"; substr(s, 7, 5) = "there"; print s
  s = "hello"; substr(s, 1, 1) = "J"; print s
  s = "hello"; substr(s, 4) = "p!"; print s
  s = "hello"; substr(s, 0, 0) = "<"; print s
  s = "hello"; substr(s, 99) = ">"; print s
  s = "hello"; substr(s, 2, -5) = "XY"; print s
  n = 12345; substr(n, 3, 1) = "-"; print n
  a["k"] = "abcdef"; substr(a["k"], 2, 4) = "_"; print a["k"]
  $0 = "one two three"; substr($2, 1, 1) = "T"; print $2
  local("param")
}
function local(p,   q) {
  q = p; substr(q, 1, 1) = "P"; print q, p
}
