# No terminal description for TERM: the keyboard cannot be set up.
BEGIN { print "before"; getkey(); print "not reached" }
