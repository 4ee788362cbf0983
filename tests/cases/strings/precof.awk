# _precof gives the decimals count a number carries: from its text, or
# unlimited (400) for computed values; nothing for ints and plain strings.
BEGIN {
  x = 3.50; print _precof(x), _precof(0.125), _precof(1/3), "[" _precof(7) "]"
  print "[" _precof("2.5") "]"
}
{ print _precof($1), "[" _precof($2) "]", _precof($3) }
