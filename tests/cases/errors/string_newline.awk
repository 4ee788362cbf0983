# A string constant broken by a newline; the brace it swallowed is then missing too.
BEGIN { print "abc }
