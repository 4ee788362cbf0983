# Pattern kinds: a bare regular expression matches $0; an expression
# pattern; a range p1, p2 that starts and ends on records (an end pattern
# true on the start record closes the range at once); a range that is
# never closed runs to the end; a pattern with no action prints $0; an
# action with no pattern runs for every record; a dynamic regular
# expression in a variable.
/^b/ { print "regex:", $0 }
length($0) == 1 { print "one char:", $0 }
/start/, /stop/ { print "range:", $0 }
/x/, /x/ { print "same record range:", $0 }
/tail/, 0 { print "open range:", $0 }
$0 ~ dyn
{ n++ }
END { print n, "records" }
BEGIN { dyn = "^d.n$" }
