# local declares variables of the enclosing function, or of the rule whose
# action declares it; the declaration covers the whole body, uses before it
# included, and runs no code. Locals shadow globals of the same name, start
# uninitialized on every call, and may be used as arrays.
function f(x) {
  local sum
  sum += x
  if (x > 0) {
    local seen, list
    list[x] = 1
    seen = length(list)
  }
  return sum "/" seen "/" name
}
function g(   p) { local q; q = p + 1; return q }
BEGIN { name = "global"; sum = 100 }
BEGIN {
  print f(3), f(4), f(0), sum
  print g(1), g()
  print "[" name "]"
  local name
  name = "rule local"
  print name
}
BEGIN { print name; early = 5; local early; print early }
BEGIN { print "[" early "]" }
