# substr clamps its start to 1 without shortening the result, and its
# length to what is left. A start far into a long string still addresses
# the right bytes (mawk stops at its 8192-byte sprintf buffer instead).
BEGIN {
  s = "hello"
  print substr(s, 0, 2)
  print substr(s, -3)
  print substr(s, 2)
  print "[" substr(s, 9) "]"
  print "[" substr(s, 2, -1) "]"
  print substr(s, 2, 3)
  print substr(s, 5, 100)
  print substr(12345, 2, 3)          # a number is taken as its text
  print substr(s, "2", "2")          # as are numeric strings for the positions
  long = sprintf("%40000s", "") "xyz"
  print substr(long, 40001, 3), length(long)
}
