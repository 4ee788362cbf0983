# abort(5) ends the run at once: output written so far is flushed, END does
# not run, the EXIT rule does, and the status is abort's argument.
BEGIN { printf "before abort\n"; abort(5); print "not reached" }
END { print "end does not run" }
EXIT { print "exit rule runs" }
