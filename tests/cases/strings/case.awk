# toupper and tolower change only the ASCII letters; the argument itself is
# left as it was.
BEGIN {
  s = "Hello, World 42 \344\304"
  u = toupper(s); l = tolower(s)
  print u; print l; print s
  print toupper(123), tolower("")
}
{ print toupper($1), tolower($2), $0 }
