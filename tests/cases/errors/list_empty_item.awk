# An empty item in a print list and in an argument list.
BEGIN { print 1,, 2 }
function f(a, b) { }
BEGIN { f(1,) }
