# if / else: else pairs with the nearest if; an else may follow the then
# branch after a newline or after the ";" that ends it; empty branches.
BEGIN {
  for (i = 1; i <= 4; i++) {
    if (i == 1) print "one"
    else if (i == 2)
      print "two"
    else
      if (i == 3) print "three"; else print "other"
  }
  if (1) if (0) print "inner"; else print "dangling else binds inner"
  if (0) ; else print "empty then"
  if (1) {} else print "not here"
  if (1)
  {
    print "brace on next line"
  }
  else
  {
    print "not here"
  }
  if (!0) print "a"; print "b"
}
