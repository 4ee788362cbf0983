# A note at one place shows once; a warning shows per record.
{ if ($1 > 1) n++; x = $(-1) }
END { re = "[[:digit:]]"; print n + 0, ("5" ~ re) }
