# Typed parameters (name: int, float, string or array) check the argument's
# type on entry; a mismatch is fatal: the run ends with status 2 and the
# EXIT rule does not run.
function f(n: int, s: string, x: float, a: array) { return n s x length(a) }
function g(plain, n: int) { return plain n }
BEGIN {
  arr[1]
  print f(1, "s", 2.5, arr), g("any", 2)
  print f("1", "s", 2.5, arr)
  print "not reached"
}
EXIT { print "not run" }
