# A note drawn at one place for every record is shown once; warnings keep
# their per-record location. A string holding a [:class:] form draws a
# compile-time warning: dynamic patterns do not know classes.
{ if ($1 > 1) n++ }
{ x = $(-1) }
END { re = "[[:digit:]]"; print n + 0, ("5" ~ re) }
