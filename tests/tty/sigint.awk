# A child command runs on the shell's screen, the next screen builtin takes
# the terminal back; Ctrl-C while getkey waits under the screen ends the
# run by the signal, with the terminal restored.
BEGIN {
  scr_put("first", 0, 0)
  system("echo child ran")
  scr_put("waiting", 1, 0, 0x70)
  getkey()
  print "not reached"
}
