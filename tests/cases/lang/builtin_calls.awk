# Builtins are called by name with their arguments converted as each one
# expects: a string where a number is wanted is converted ("2" as a start
# position), a number where a string is wanted is formatted through
# CONVFMT (so length(12.50) is 4), an array argument passes the array;
# length alone is length($0). call() reaches builtins and user functions by
# a name computed at run time.
function twice(s) { return s s }
BEGIN {
  $0 = "record"
  print length, length(), length("abc"), length(12.50), length(12)
  split("a b c", arr, " ")
  print length(arr), substr("hello", "2", "3"), index("a12b", 12)
  print toupper(substr("abc", 2)), sprintf("%d-%s", "42", 7), int("3.9x")
  name = "toup" "per"
  print call(name, "dyn"), call("twice", "ab"), call("substr", "hello", 2)
  s = "aXbXc"; n = gsub(/X/, "-", s); print n, s
  m = match("foobar", /o+/); print m, RSTART, RLENGTH
}
