# No terminal description for TERM: the screen cannot start; the run ends
# with an error (and END does not run).
BEGIN { print "before"; scr_put("x", 0, 0); print "not reached" }
END { print "not reached either" }
