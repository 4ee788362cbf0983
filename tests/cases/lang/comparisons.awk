# Comparison rules: two string values compare as text, two numbers
# numerically. A string value that scans as a number compares numerically
# with a number ("10" < 9 is false here; gawk and mawk compare a string
# constant as text and say true). An uninitialized value equals both 0 and
# "". The scanner reads hexadecimal and skips leading blanks only, so
# "0x1A" == 26 holds and "12 " == 12 does not.
BEGIN {
  print ("10" < "9"), (10 < 9), ("10" < 9), (9 > "10"), ("abc" > "9")
  x = "10"; y = 9
  print (x < y), (x "" < y ""), (x + 0 < y + 0)
  print (u == 0), (u == ""), (u < "a"), (u < 1), length(u)
  print (2 < 10), ("2" < "10"), ("abc" == "abc"), ("abc" != "abd"), ("a" <= "a"), ("b" >= "a")
  print (1 == 1.0), ("1e2" == 100), ("0x1A" == 26), (" 12" == 12), ("12 " == 12), ("1,5" == 1.5)
}
