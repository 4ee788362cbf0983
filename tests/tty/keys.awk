# Names every keystroke until q; "raw" switches to byte values.
BEGIN {
  print "ready"
  while ((k = getkey()) != "q") {
    if (k == "raw") break
    printf "[%s]", k
    if (k == "C-E") print ""
  }
  k = getkey(1)
  printf "\nraw %d %d\n", k, kbhit()
}
