# strdup repeats a string; a count of 0 or less gives "".
BEGIN {
  print strdup("ab", 3)
  print strdup("ab")
  print "[" strdup("ab", 0) "]" "[" strdup("ab", -2) "]" "[" strdup("", 9) "]"
  line = strdup("=", 40); print line, length(line)
  print length(strdup("xyz", 100000))
}
