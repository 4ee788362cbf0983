# A float holding an exact integer prints as that integer whatever road
# made it and whatever OFMT or CONVFMT hold (values beyond 32 bits, where
# mawk differs, are in the unit tests).
{ print $1 + 0, $1 / 2, $1 - 1 }
END {
  print 100000 * 100, 5000000 + 5000000, 2^30, -2^30 * 2 + 1, 2^31 / 2
  OFMT = "%.2f"; CONVFMT = "%.3f"
  print 3.0, 3.25, 1e6; x = 17.0 ""; y = 0.5 ""; print x, y
}
