# unpack takes data apart: signedness, byte order, alignment, string field
# lengths and padding, repeated and named items, and data that runs out.
function show(fmt, data,   k, o) {
  unpack(fmt, data, u)
  for (k in u) o = o " " k "=[" u[k] "]"
  printf "%-16s%s\n", fmt, o
}
BEGIN {
  show("x@a y@a", "ab\0cd\0")
  show("@2s", pack("@2s", 1, -2))
  show("v@2s", pack("@2s", 1, -2))
  unpack("@L", pack("@l", -1), u)
  printf "%-16s %.0f %s\n", "@L top bit", u[1], u[1] == 4294967295
  show("@3A", "ab ")
  show("@&3A", "ab ")
  show("@+3A", "  a")
  show("@A@A", "ab cd")
  show("@5a", "ab\0cd")
  unpack("@&5a", "ab\0cd", u); print "@&5a keeps the NUL:", length(u[1])
  show("@l", "abc")
  show("@b@B@c", "\377\377\101")
  show("@s@<s@S", pack("@s@<s@S", -300, -300, 65000))
  show("@f@<d", pack("@f@<d", 0.5, -1.25))
  show("@b@l", pack("#@b@l", 1, 2))
  show("@2x@b@X@B@X@X@X@b", "\001\002\003")
  show("@p", pack("@p", 0))
  show("n@b n@b", "\001\002")
  show("n@b@b", "\001\002")
  show("m@a&", "x")
  u["old"] = 1
  show("@b", "")
}
