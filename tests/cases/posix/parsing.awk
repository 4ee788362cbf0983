# Parsing as POSIX and the other AWKs do.
{
  i = 1; print $+i++, i
  $$0++; print
  $0 = "1 2 3"; a = 1; $$a++++; print; print a
  "echo hi" | getline x y; print "[" x "]", "[" y "]"
  print ("echo two" | getline > 0), $0
  "echo a b" | getline line " tail"; print line
}
END {
  if (1 && v = 2) print v
  print (0 || w = 3), w
  z = 1 ? u = 4 : 5; print z, u
  print (1 < t = 2), t
}
