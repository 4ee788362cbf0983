# By-reference parameters that name a special variable or a field: the
# assignment goes through the special variable's handler (a new OFS applies
# at once) or through the field store (which rebuilds $0 with OFS).
function setsep(&s) { s = "-" }
function times10(&f) { f = f * 10 }
function getit(&v) { return v }
BEGIN {
  setsep(OFS); print "a", "b"
  $0 = "1 2 3"
  times10($2)
  print getit($2), NF
  print
}
