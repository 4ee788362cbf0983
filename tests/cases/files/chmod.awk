# chmod with numeric and symbolic modes, applied to a file's current mode,
# by name and through an open stream; octal shown through stat's MODE.
function mode(f,   s) { stat(f, s); return sprintf("%04o", s["MODE"] % 65536 - 32768) }
function try(start, sym,   r) {
  chmod("f", start)
  r = chmod("f", sym)
  printf "%04o %-12s -> %s (result %s)\n", start, sym, mode("f"), r
}
BEGIN {
  printf "" > "f"; close("f")
  print "numeric:", chmod("f", 416), mode("f")
  try(420, "u+x,go-w"); try(420, "=");  try(4095, "="); try(420, "a+"); try(384, "G+rS")
  chmod("f", 420)
  r = chmod("f", "u")
  print "no operator:", "[" r "]", mode("f")
  print "missing file:", chmod("missing", 420), "[" chmod("missing", "u+x") "]"
  g = fopen("f", "r")
  r = chmod(g, "go=")
  close(g)
  print "by stream, then closed:", r, mode("f"), chmod(g, 420)
  chmod("f", "u+q")
  print "not reached"
}
