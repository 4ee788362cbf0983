# The bytes pack writes for every letter, in both byte orders and with
# alignment, shown in hex.
function hex(s,   i, o) {
  for (i = 1; i <= length(s); i++) o = o sprintf("%02x", ord(substr(s, i, 1)))
  return o
}
function show(fmt, a, b, c) { printf "%-14s %s\n", fmt, hex(pack(fmt, a, b, c)) }
BEGIN {
  show("n@s", 258); show("n@<s", 258); show("<n@s", 258); show("<@>s", 258)
  show("@S", 65535); show("@s", -2)
  show("@l", 16909060); show("@<l", 16909060); show("@l", -1)
  show("@L", 4294967295); show("@<L", 3000000000)
  show("@b", 65); show("@b", "A"); show("@B", 511); show("@c", "xyz"); show("@C", -1)
  show("@f", 1.5); show("@<f", 1.5); show("@F", -2)
  show("@d", 1.5); show("@<d", 0.1); show("@D", -2)
  show("@p", 0); show("@p", 258); show("@<p", 258); show("@P", 1)
  show("@3x"); show("@b@2x@X", 1); show("@X@b", 1)
  show("@4a", "ab"); show("@+4A", "ab"); show("@a", "ab"); show("@A", "ab")
  show("@1a", "abc"); show("@+2a", "abc"); show("@0a@b", "skip", 9)
  show("#@b@l", 1, 2); show("@b#@s", 1, 2); show("@b@#d", 1, 2); show("#@b@<p", 1, 2)
  show("#@a@s", "abc", 7); show("@b@s", 1, 2)
  show("@3s", 1, 2, 3); show("@2<S@b", 1, 2, 3)
}
