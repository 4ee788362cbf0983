# ord reads one byte as an unsigned number (-1 outside the string); char
# builds a string of bytes from the low 8 bits of each number.
BEGIN {
  print ord("A"), ord("abc", 3), ord("abc", 4), ord("abc", 0), ord(""), ord("", 1)
  print ord("\377"), ord(char(200))
  print char(72, 105), "[" char() "]", char(65 + 256), length(char(0, 0))
  # A one-byte string from char is shared; copies of it live on their own.
  for (i = 0; i < 2000; i++) keep[i] = char(66)
  for (i = 0; i < 1500; i++) delete keep[i]
  print keep[1999], length(keep)
  for (i = 0; i < 5; i++) s = s char(97 + i)
  print s
}
