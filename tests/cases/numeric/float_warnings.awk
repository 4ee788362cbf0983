# Floating-point warnings: a repeated one is shown once per statement, none
# under FLOATMASK = 0, underflow only when its bit is on; math-library
# errors by function; decimal values compare and print as written.
BEGIN {
  print 0.1 + 0.2 == 0.3, 1 / 3 == 0.333333, (0.1 + 0.2) - 0.3, -(0.5), -(-2147483647 - 1)
  x = 1 / 0 + 2 / 0; NR = 1; x = 3 / 0
  print log(0), sqrt(-1), log(-1), exp(1000), exp(-1000), exp(1)
  mask = FLOATMASK; FLOATMASK = 0
  x = 1 / 0; x = 1 % 0; x = 1e308 * 10; x = int(1e300); print FLOATMASK
  FLOATMASK = or(mask, 16); x = 1e-308 / 1e10; y = exp(-1000); s = "1e-308"; z = s / 1e10; print mask
}
