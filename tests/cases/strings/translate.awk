# translate maps bytes of a from set to a to set (ranges unless "n"),
# with "c" (complement), "d" (delete past the to set) and "s" (squeeze).
BEGIN {
  print translate("hello", "lo", "xy")
  print translate("hello", "lo", "xy", "s")
  print translate("hello", "lo", "x")
  print translate("hello", "lo", "x", "d")
  print translate("hello", "lo", "")
  print translate("a-z", "a-z", "A-Z", "n")
  print translate("Hello World", "a-z", "A-Z")
  print translate("Hello World", "a-zA-Z", "_", "c")
  print translate("phone: 555-1234", "0-9", "", "cd")
  print translate("aaa   bbb", " ", " ", "s")
  print translate("a1a", "a1", "y", "ds")
  print translate("abc", "c-a", "xyz")
}
