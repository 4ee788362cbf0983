# The mathematical functions give floats with unlimited decimals, so
# sqrt(2) is not equal to its 5-place approximation.
BEGIN {
  print sqrt(2), exp(1), log(10), sin(0), cos(0), atan2(0, -1)
  print (sqrt(2) == 1.41421), (sqrt(4) == 2), _precof(sqrt(2))
  printf "%.10f %.10f\n", atan2(1, 1) * 4, exp(log(7))
  print int(sqrt(1000000)), typeof(sqrt(4))
}
