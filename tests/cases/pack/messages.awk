# Every message of pack and unpack: bad formats stop with what was built,
# counts are capped, unusable values and addresses are refused, and an
# address that cannot be read stores nothing instead of faulting.
function hex(s,   i, o) {
  for (i = 1; i <= length(s); i++) o = o sprintf("%02x", ord(substr(s, i, 1)))
  return o
}
BEGIN {
  print "no @:", "[" hex(pack("abc", 1)) "]"
  print "stops at the bad item:", hex(pack("@b n@q @b", 1, 2, 3))
  print "format ends before the letter:", hex(pack("@b @12", 5))
  print "+ without a count:", hex(pack("@b@+a", 5, "x"))
  unpack("@b@C", "\001\002", u)
  print "unpack letter C:", length(u), u[1]
  unpack("@D", pack("@D", 1), u)
  print "D is pack-only:", length(u)
  print "count capped:", length(pack("@99999999999X"))
  print "fileid as a pointer:", length(pack("@p@b", stdout, 7))
  u["stale"] = 1
  unpack("@l", 0, u)
  print "null address:", length(u), u["stale"]
  unpack("@l", 12345, u)
  print "unmapped address:", length(u)
  unpack("@p", pack("@p", 4096), u)
  print "pointer to unmapped text:", length(u), "[" u[1] "]"
  unpack("@b", u, v)
}
