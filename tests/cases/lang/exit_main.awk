# exit with a status in a main rule: the remaining records are not read,
# END still runs, then the EXIT rule, and the process exits with 3.
{ n++; if (n == 2) exit 3; print "rec", $0 }
END { print "end after", n }
EXIT { print "exit rule" }
