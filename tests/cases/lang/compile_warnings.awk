# Compile-time warnings use the located form of errors, do not stop the
# compilation, and the program runs: a call with more arguments than the
# function has parameters (the extra one is evaluated and dropped), the
# getline < "a" "b" ambiguity (the file is "a" alone), and a hex constant
# longer than 8 digits (only its low 32 bits are kept).
function one(a) { return a }
BEGIN {
  print one(1, 2)
  r = getline line < "no-such-file" ".txt"
  print r
  print 0x1FFFFFFFF
}
