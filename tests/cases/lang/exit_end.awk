# exit in a function called from BEGIN unwinds every frame of the phase; no
# input is read; END runs and its own exit ends END and sets the status.
function stop(code) { exit code; print "not reached" }
BEGIN { print "begin"; stop(4); print "not reached" }
END { print "end"; exit 5; print "not reached" }
END { print "not reached either" }
