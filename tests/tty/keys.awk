# Names every keystroke until q, then a byte value; then keys under the
# screen, and raw again once the screen has ended.
BEGIN {
  print "ready"
  while ((k = getkey()) != "q") {
    printf "[%s]", k
    if (k == "C-E") print ""
  }
  k = getkey(1)
  printf "\nraw %d %d\n", k, kbhit()
  scr_put("screen", 0, 0); k = getkey(); scr_end()
  print "keys", k, getkey()
}
