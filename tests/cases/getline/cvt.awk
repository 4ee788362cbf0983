# _cvtout gives the binary image of a number in the machine's byte order
# and _cvtin reads it back: one byte for c/C, two for s/S, four for l/L
# and f, eight for d. Upper-case letters are unsigned.
BEGIN {
  print _cvtout(65, "c"), length(_cvtout(65, "c"))
  print length(_cvtout(1, "s")), length(_cvtout(1, "l")), length(_cvtout(1, "f")), length(_cvtout(1, "d"))
  n = split("0 1 -1 127 -128 32767 -32768 2147483647 -2147483648 123456789", xs, " ")
  for (i = 1; i <= n; i++) {
    x = xs[i]
    if (_cvtin(_cvtout(x, "l"), "l") != x) print "l round trip failed for", x
  }
  print "signed byte", _cvtin(_cvtout(255, "c"), "c"), "unsigned byte", _cvtin(_cvtout(255, "c"), "C")
  print "signed short", _cvtin(_cvtout(65535, "S"), "s"), "unsigned short", _cvtin(_cvtout(-1, "s"), "S")
  big = _cvtin(_cvtout(-1, "l"), "L")
  print "unsigned long", (big == 4294967295), (big > 0)
  print "double", _cvtin(_cvtout(0.1, "d"), "d") == 0.1
  print "float", _cvtin(_cvtout(2.5, "f"), "f")
  print "short input", _cvtin("A", "l")
  print "[" _cvtout(1, "x") "]"
}
