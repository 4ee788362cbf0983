# An error that ends the run ("e": here a regular expression operand that
# is an array) reports with its location, still runs the EXIT rule and
# exits with status 2.
function m(p) { return "x" ~ p }
BEGIN { a[1] = 1; print "before"; if (m(a)) print "no"; print "not reached" }
EXIT { print "exit rule" }
