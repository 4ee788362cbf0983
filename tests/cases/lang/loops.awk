# while, do-while and for, with break and continue reaching the innermost
# loop; a do body runs once even when the condition is false; empty for
# parts; a loop body that is an empty statement.
BEGIN {
  i = 0
  while (i < 5) {
    i++
    if (i == 2) continue
    if (i == 4) break
    printf "w%d ", i
  }
  print ""
  do printf "d%d ", i--; while (i > 2)
  print ""
  do { printf "once " } while (0)
  print ""
  for (i = 0; i < 3; i++) for (j = 0; j < 3; j++) { if (j == 1) continue; if (i == 1) break; printf "%d%d ", i, j }
  print ""
  for (k = 0; ; k++) if (k >= 3) break
  print "k=" k
  n = 0; for (;;) { if (++n == 4) break }; print "n=" n
  for (m = 0; m < 5; m++) ;
  print "m=" m
  t = 3; while (t--) ; print "t=" t
  for (i = 0;
       i < 2;
       i++) printf "multi%d ", i
  print ""
}
