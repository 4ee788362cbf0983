# Arrays filled by split share their index keys: changing, deleting or
# splitting again into one leaves the others as they were, also past the
# first few thousand pieces; the keys read as the numbers 1, 2, ...
BEGIN {
  n = split("a b c", x); m = split("p q r s", y, /[ ]/)
  x[2] = "B"; delete y[1]; split("z", x)
  print n, m, length(x), x[1], length(y), y[2], y[4], (1 in y), ("4" in y)
  for (i = 1; i <= 5000; i++) s = s i ","
  n = split(s, big, ","); split(s, copy, /,/)
  delete copy[4096]
  t = 0
  for (k in big) t += k
  print n, big[4095], big[4096], big[5000], "[" big[5001] "]", t, length(copy), (4096 in copy)
}
