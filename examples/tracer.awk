# tracer.awk: a statement tracer written in AWK. Compile it together with
# the program to trace:
#
#   vorn -f examples/tracer.awk -f program.awk input...
#
# (the tracer first, so that the program's BEGIN is traced too). Before
# every statement of the traced program it prints one line to standard
# error: the function, the source line, and the value of every parameter
# and local the function has at that moment. Set TRACE to 0
# (-v TRACE=0) to run the program untraced.

function tracer_statement(gid, line,   info, name, names, n, i, v, ok, out) {
  split(FUNINFO[gid], name, " ")   # "name file line"
  out = sprintf("trace: %s line %d", name[1], line)
  delete info
  if (debug_get_frame(2, info) == gid) {   # the traced function's frame
    n = split(info[4] " " info[5], names, " ")
    for (i = 1; i <= n; i++) {
      if (names[i] ~ /^\$/) continue   # the compiler's own hidden locals
      v = debug_get_stack_var(2, names[i], ok)
      if (!ok) continue    # a parameter the caller did not supply
      out = out " " names[i] "=" tracer_show(v)
    }
  }
  print out > "/dev/stderr"
  debug_function()         # re-arm for the next statement
}

function tracer_show(v) {
  if (typeof(v) == "array") return "(array)"
  if (typeof(v) == "uninitialized") return "(unset)"
  if (typeof(v) == "string") return "\"" v "\""
  return v
}

BEGIN {
  if (TRACE == "" || TRACE) debug_function("tracer_statement")
}
