# A name used as a scalar and as an array is an error naming both places.
BEGIN {
  x = 1
  x[2] = 3
}
