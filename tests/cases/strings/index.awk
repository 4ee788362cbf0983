# index and rindex, with the optional start (index) and limit (rindex) of
# this dialect; positions are counted from the beginning of the string.
BEGIN {
  print index("hello", "lo"), index("hello", "lo", 5), index("hello", "lo", 4)
  print index("hello", "h", 0), index("hello", "o", 6), index("hello", "o", 5)
  print index("hello", ""), index("", ""), index("hello", "xyz")
  print rindex("hello", "l"), rindex("hello", "l", 3), rindex("hello", "ll", 3)
  print rindex("hello", "ll", 4), rindex("hello", "l", 0), rindex("hello", "")
  print rindex("a.b.c", "."), index("a.b.c", ".")   # no pattern characters
}
