# Keys from a pipe: a warning that it is no terminal, then its bytes; at
# the end of input getkey gives "" (-1 raw) and kbhit 0, at once. The
# warning is given once, though set-up is repeated after a diagnostic.
BEGIN {
  a = getkey(1); b = getkey(); c = kbhit(); d = getkey(); e = getkey(); f = getkey()
  print a, b, c, d, e, f
  debug_function("no_such_function")
  a = getkey(); b = getkey(1); c = kbhit(); d = getkey()
  print "[" a "]", b, c, "[" d "]"
}
