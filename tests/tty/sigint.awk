# Ctrl-C while getkey waits under the screen ends the run by the signal.
BEGIN { scr_put("waiting", 1, 0, 0x70); getkey(); print "not reached" }
