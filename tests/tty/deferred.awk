# Deferred refresh shows nothing until scr_refresh(); a warning and a child
# command go to the shell's screen and the next screen builtin resumes; a
# fatal error ends the run.
function deep(n) { return deep(n + 1) }
BEGIN {
  scr_put("shown", 0, 0)
  first = scr_refresh(0); second = scr_refresh(0)
  scr_put("deferred " first " " second, 1, 0)
  scr_frame("box", 3, 0, 6, 10)
  getkey()
  third = scr_refresh()
  scr_put("refreshed " third, 2, 0)
  scr_refresh(1)
  getkey()
  debug_function("no_such_function")
  system("echo child ran")
  scr_put("back", 0, 20)
  getkey()
  deep(1)
}
