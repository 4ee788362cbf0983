# By-reference parameters (&name): the caller passes a reference to a
# global, a local or parameter of its own, or an array element (created by
# the first read through the reference). An assignment in the callee
# changes the caller's variable at once. A reference passed on to another
# by-reference parameter still reaches the original variable, and a
# by-reference parameter used as an array makes the variable an array.
function swap(&a, &b,   t) { t = a; a = b; b = t }
function inc(&n) { n++; return n }
function peek_global() { return g }
function set_and_peek(&v) { v = "changed"; return peek_global() }
function twice(&v) { inc(v); inc(v) }
function outer(   loc) { loc = 10; twice(loc); return loc }
function addkey(&arr, k) { arr[k] = length(arr) + 1 }
function byval(v) { v = "local only" }
BEGIN {
  x = 1; y = "two"
  swap(x, y); print x, y
  r1 = inc(c); r2 = inc(c); print r1, r2, c
  g = "orig"; r = set_and_peek(g); print r, g
  print outer()
  e["k"] = 5; inc(e["k"]); inc(e["new"]); print e["k"], e["new"], length(e)
  addkey(arr, "a"); addkey(arr, "b"); print length(arr), arr["a"], arr["b"]
  z = "keep"; byval(z); print z
  q = 7; swap(q, q); print q
}
