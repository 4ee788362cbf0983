# Ctrl-C while getkey waits under the screen: the run ends by the signal
# and the terminal is restored.
BEGIN {
  scr_put("waiting", 0, 0, 0x70)
  getkey()
  print "not reached"
}
