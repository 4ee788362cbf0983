# Numeric constants: up to 9 digits with no point or exponent make an int,
# anything else a float that carries its decimals count (the count the
# run-time's own scanner gives the same text). Floats compare with a
# tolerance derived from that count, so 0.1 + 0.2 == 0.3 holds (false in
# gawk and mawk), while 1/3 carries an unlimited count and compares exactly.
# 010 is ten (gawk reads it as octal eight).
BEGIN {
  print 0.1 + 0.2 == 0.3, 1 / 3 == 0.333333, 0.1 * 3 == 0.3
  print typeof(123456789), typeof(1234567890), typeof(1.0), typeof(1e3), typeof(0x1F)
  print 0x1F, 0x10 + 0, 1e3, 1e-3, 1.50, .5, 5., 010
  print _precof(0.10), _precof(1e-3), _precof(1.5e1), _precof(2.25 * 0.1), _precof(1 / 3), _precof(0.5 / 4)
  x = 0.1 + 0.2 - 0.3
  print x, (x == 0), (x ? "true" : "false")
  print -0x10, - 1.25, 3.0 == 3, "3.0" == 3
}
