# Newline and semicolon rules: a newline may follow "{", "&&", "||", ",",
# "do", "else" and the ")" of if, for and while; a backslash before a
# newline continues the line anywhere; ";" and newlines end statements;
# empty statements and comments are allowed everywhere.
function f(a,
           b) {
  return a \
    + b
}

BEGIN {
  x = 1 &&
      1
  y = 0 ||
      1
  printf "%s %s %s\n",
    x, y,
    f(1, 2)
  if (x)
    print "if body on the next line"
  else
    print "not here"
  while (y--)
    print "while body"
  do
    print "do body"
  while (0)
  for (i = 0; i < 1; i++)
    print "for body"
  ;;; ; # empty statements and a comment
  z = "con" \
      "tinued"; print z
}   # a comment after a rule
BEGIN { print "one" } ; BEGIN { print "two" }
BEGIN	{	print	"tabs"	}
