# A function called from the main rule: its caller's frame (the record
# loop's) cannot be walked into. exit inside the debugger ends the program
# as usual: END runs, the traced statement does not.
function dbg(g, line) {
  if (line != 10) { debug_function(); return }
  print "dbg at line", line, "frame 2", typeof(debug_get_frame(2)), "frame 3", typeof(debug_get_frame(3)), "frame 4", typeof(debug_get_frame(4)), "frame 5", typeof(debug_get_frame(5))
  exit 3
}
function f() {
  print "not reached"
}
BEGIN { debug_function("dbg") }
{ f(); print "not reached either" }
END { print "END runs" }
