# for (k in) with no array.
BEGIN { for (k in ) print k }
