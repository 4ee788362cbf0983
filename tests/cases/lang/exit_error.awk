# An error that ends the run ("e": here a regular expression operand that
# is an array) reports with its location, still runs the EXIT rule and
# exits with status 2.
BEGIN { a[1] = 1; print "before"; if ("x" ~ a) print "no"; print "not reached" }
EXIT { print "exit rule" }
