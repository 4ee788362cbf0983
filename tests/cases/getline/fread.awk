# fread(length, file) returns up to length bytes, fewer at the end of the
# file, then "" on every later call. It shares the stream's position with
# getline, and takes record separators, NUL bytes and all as data.
BEGIN {
  printf "abcd" > "four.bin"
  close("four.bin")
  print "[" fread(10, "four.bin") "]"
  print "[" fread(10, "four.bin") "]"
  close("four.bin")

  printf "12345\nsecond line\nthird\n" > "mix.txt"
  close("mix.txt")
  print "[" fread(3, "mix.txt") "]"
  getline rest < "mix.txt"
  print "[" rest "]"
  s = fread(100, "mix.txt")
  print length(s), "[" s "]"
  print "zero [" fread(0, "mix.txt") "]"

  printf "a\0b" > "nul.bin"
  close("nul.bin")
  s = fread(10, "nul.bin")
  print "nul", length(s)

  print "missing [" fread(5, "no-such.bin") "]"
}
