# User functions: recursion, calls before the definition, the func keyword,
# fewer arguments than parameters (the rest are uninitialized locals that
# start afresh on every call), return with and without a value, arrays
# passed by reference, a parameter list split over lines, argcount(), and
# a call in a condition. 12! overflows the int fast path, so it is a float
# and prints through OFMT.
function fact(n) { return n <= 1 ? 1 : n * fact(n - 1) }
func fib(n,   a, b, t) {
  a = 0; b = 1
  while (n-- > 0) { t = a + b; a = b; b = t }
  return a
}
function counter(   c) { c++; return c }
function noval() { return }
function fill(arr, n,
              i) {
  for (i = 1; i <= n; i++) arr[i] = i * i
  return n
}
function total(arr,   k, s) { for (k in arr) s += arr[k]; return s }
function early(x) { if (x) return "early"; return "late" }
function nest(a) { return twice(twice(a)) }
BEGIN {
  print fact(5), fact(12), fib(10), fib(1), later(2)
  print counter(), counter(), "[" noval() "]", length(noval())
  n = fill(sq, 4)
  print n, total(sq), sq[3], length(sq)
  print early(1), early(0), nest(3)
  print args(), args(1), args(1, 2)
}
function later(x) { return x * 100 }
function twice(v) { return v * 2 }
function args(a, b) { return argcount() ":" a ":" b }
BEGIN { if (fact(3) == 6) print "called in a condition" }
