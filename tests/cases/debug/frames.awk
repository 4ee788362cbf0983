# Frames seen from the debugger: 1 is the debugger itself, 2 the traced
# function (with the line about to run), then its callers, until a frame
# whose caller is a native call; variables by whole name only, parameters
# not supplied pushed as uninitialized cells; a local set in the traced
# function is seen there.
function dbg(g, line, extra,   a, v, ok, k) {
  debug_get_frame(2, a)
  if (a[4] != "str len" || line != 32) {   # wait for pad's return statement
    debug_function()
    return
  }
  debug_get_frame(1, a)
  printf "1: is the traced function %d, line %d args %d params [%s] locals [%s]\n", a[1] == g, a[2], a[3], a[4], a[5]
  printf "extra parameter: [%s] %s\n", extra, typeof(extra)
  for (k = 2; k <= 5; k++) {
    v = debug_get_frame(k, a)
    printf "%d: %s, is the traced function %d", k, typeof(v), v == g
    if (v != "") printf " line %d args %d params [%s] locals [%s]", a[2], a[3], a[4], a[5]
    print ""
  }
  split("str len padamt st en tr pad", names, " ")
  for (k = 1; k <= 7; k++) {
    v = debug_get_stack_var(2, names[k], ok)
    printf "%s: %d %s [%s]%s", names[k], ok, typeof(v), v, k < 7 ? ", " : "\n"
  }
  print "set padamt:", debug_set_stack_var(2, "padamt", "<set>"), "set st:", debug_set_stack_var(2, "st", 1)
  print "past the chain:", debug_set_stack_var(5, "str", 1), typeof(debug_get_stack_var(5, "str"))
}
function pad(str, len) {
  local padamt
  padamt = "orig"
  return str padamt
}
function outer(s) { return pad(s) }
BEGIN {
  debug_function("dbg")
  print "result", outer("x")
}
