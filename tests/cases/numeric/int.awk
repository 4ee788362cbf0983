# int truncates toward zero; beyond 32 bits it stays a float (printed
# through OFMT); strings are scanned for their numeric prefix.
BEGIN {
  print int(3.9), int(-3.9), int(0.1), int(-0.1), int(7)
  print int("12abc"), int("x"), int(" 42 "), int("-7.9")
  x = int(1e10); print typeof(x), (x == 10000000000)
  OFMT = "%.0f"; print int(1e10), int(-12345678901.7)
  print typeof(int(2147483647.5)), typeof(int(2147483648))
}
