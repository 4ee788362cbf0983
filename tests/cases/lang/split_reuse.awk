# An array split into again keeps its slots, and must still iterate in hash
# order (SORTTYPE 0) exactly as an emptied array filled with the same
# pieces does: growing, shrinking below a capacity, with elements changed,
# added or deleted since the last split, and through splitp and every
# kind of separator.
function order(arr,   k, s) { s = ""; for (k in arr) s = s " " k; return s }
function check(what, a, b, m,   i) {
  if (order(a) != order(b) || length(a) != m || length(b) != m) {
    bad++
    print what, m ":" order(a) " /" order(b)
  }
  for (i = 1; i <= m; i++) if (a[i] != b[i]) { bad++; print what, "value", i }
}
BEGIN {
  SORTTYPE = 0
  srand(7)
  for (r = 0; r < 300; r++) {
    n = int(rand() * 40)
    if (r % 40 == 0) n = int(rand() * 5000)
    s = ""
    for (i = 1; i <= n; i++) s = s (i > 1 ? " " : "") "p" i
    m = split(s, a)
    delete b; split(s, b)
    check("round " r, a, b, m)
    if (r % 7 == 0) a[1] = "changed"
    if (r % 11 == 0) { a["x"] = 1; delete a["x"] }
    if (r % 13 == 0) delete a[int(m / 2) + 1]
    if (r % 17 == 0) a[m + 1] = "extra"
  }
  t = "a,b,,c"; m = split(t, a, ","); delete b; split(t, b, ","); check("comma", a, b, m)
  m = split("xyz", a, ""); delete b; split("xyz", b, ""); check("chars", a, b, m)
  m = split("1a22b333", a, /[a-z]/); delete b; split("1a22b333", b, /[a-z]/); check("regex", a, b, m)
  m = splitp("k1 k22 k333 k4444", a, "k[0-9]+"); delete b; splitp("k1 k22 k333 k4444", b, "k[0-9]+")
  check("splitp", a, b, m)
  m = split("", a); print m, length(a), order(a)
  m = split("q r s t u v w x y z", a); print m order(a)
  m = split("q r s", a); print m order(a)
  split("a b", a); splitp("a b", a); print "splitp without a pattern empties:", length(a)
  print "mismatches:", bad + 0
}
