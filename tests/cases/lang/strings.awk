# String constants: the escapes \n \t \\ \" \/ \a \b \f \v \r, octal \ooo
# and hex \xhh; any other escape keeps its backslash, so "\." is two
# characters and still means a literal dot as a dynamic regular expression.
# A backslash-newline inside a string continues it.
BEGIN {
  print "tab[\t] quote[\"] slash[\/] backslash[\\]"
  print "\101\102\103", "\x41\x62", "\0101", length("\a\b\f\v\r")
  print length("\."), ("a.c" ~ "a\.c"), ("abc" ~ "a\.c"), length("\q")
  printf "%s|%s\n", "line\
continued", "x"
  s = "con" "cat" "en" "ation"; print s, length(s)
  print "" "" == "", length("")
}
