# `exit` in a function called by name ends the run at once.
function f() { exit 3 }
BEGIN { call("f"); print "not reached" }
