# The hook disarms itself: without re-arming the debugger runs once; the
# function that armed it is not traced while it runs; debug_function()
# re-arms and makes the debugger the excluded caller.
function once(g, line) { print "once at line", line }
function rearm(g, line) {
  print "rearm at line", line
  debug_function()
}
function work(x) {
  x = 1
  return x + 1
}
function armer() {
  debug_function("once")
  print "armer line 15 not traced"
  work()
  work()
  print "armer done"
}
BEGIN {
  armer()
  debug_function("rearm")
  print "BEGIN not traced"
  work()
  debug_function("nosuch")
  debug_function("work")
}
