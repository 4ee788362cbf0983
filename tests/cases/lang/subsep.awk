# Multi-dimensional subscripts are joined with SUBSEP (the byte 0x1C by
# default); (i, j) in a tests such a key; a new SUBSEP applies to keys made
# afterwards.
BEGIN {
  m[1, 2] = "x"; m["a", "b"] = "y"
  print ((1, 2) in m), (("a", "b") in m), ((2, 1) in m), length(SUBSEP), (SUBSEP == "\034")
  for (k in m) { split(k, p, SUBSEP); printf "%s-%s=%s ", p[1], p[2], m[k] }
  print ""
  SUBSEP = ":"
  m[3, 4] = "z"
  print ("3:4" in m), ((1, 2) in m), ("1\0342" in m)
  i = 5; j = 6; m[i, j]++; m[i, j]++; print m["5:6"]
}
