# Constants beyond the range of a double: the compiler warns where the
# constant stands, and the constant behaves as the run-time's scanner reads
# the same text (value 0 or infinity, a decimals count of at most 400).
# Regression: a constant whose count exceeded 400 made an image the loader
# refused.
BEGIN {
  x = 1e-500; y = 757777377777771e-37777
  print x, _precof(x), y, _precof(y)
  s = "1e-500" + 0; print s, _precof(s), (x == s)
}
