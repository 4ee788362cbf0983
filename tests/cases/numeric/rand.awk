# The same seed gives the same sequence; values stay in [0, 1).
BEGIN {
  srand(1); for (i = 0; i < 5; i++) a[i] = rand()
  srand(1); same = 1; for (i = 0; i < 5; i++) if (rand() != a[i]) same = 0
  print same
  srand(42); x = rand(); srand(43); print (rand() != x)
  srand(); srand(42); print (rand() == x)
  lo = 1; hi = 0
  for (i = 0; i < 100000; i++) { r = rand(); if (r < lo) lo = r; if (r > hi) hi = r }
  print (lo >= 0), (hi < 1), (lo < 0.001), (hi > 0.999)
  print "[" srand(5) "]"
}
