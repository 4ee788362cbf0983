# Run phases: INIT runs before the options and ARGV are set up (ENVIRON is
# there, the -v assignment and ARGC are not yet), then BEGIN, the main rules
# once per record, END (where $0 is the last record), and the EXIT rule once during
# termination. Rules of one kind run in source order.
INIT { print "init", "[" x "]", "[" ARGC "]", (ENVIRON["CASEDIR"] != "") }
BEGIN { print "begin1", x, ARGC }
END { print "end1" }
{ print "main", $0 }
EXIT { print "exit rule" }
BEGIN { print "begin2" }
END { print "end2", "[" $0 "]" }
