# Deferred refresh: output waits for scr_refresh(); then a warning is
# written on the shell's screen and the next screen builtin takes the
# terminal back; an invalid NF ends the run from the screen.
BEGIN {
  scr_put("shown", 0, 0)
  first = scr_refresh(0); second = scr_refresh(0)
  scr_put("deferred " first " " second, 1, 0)
  scr_frame("box", 3, 0, 6, 10)
  scr_scp(8, 0)
  getkey()
  third = scr_refresh()
  scr_put("refreshed " third, 2, 0)
  scr_refresh(1)
  getkey()
  debug_function("no_such_function")
  scr_put("back", 0, 20)
  getkey()
  NF = -1
}
