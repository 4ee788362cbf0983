# A fatal error while the keyboard holds the terminal in raw mode.
function deep(n) { return deep(n + 1) }
BEGIN {
  print "raw " getkey()
  deep(1)
}
