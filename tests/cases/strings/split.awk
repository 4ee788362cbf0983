# split into an array with FS, a one-byte separator, an empty separator
# (every byte), a longer string (a pattern) or a regular expression. The
# array is emptied first. An empty text has no pieces, whatever the
# separator (as in gawk and mawk).
BEGIN {
  n = split("a b c", a); print n, a[1], a[2], a[3]
  n = split("  lead  and trail  ", a); print n, "[" a[1] "]", "[" a[3] "]"
  n = split("a:b::c", a, ":"); print n, a[1], a[2], "[" a[3] "]", a[4]
  n = split("a:", a, ":"); print n, "[" a[2] "]"
  n = split("", a, ":"); print n, length(a)
  n = split("", a); print n, length(a)
  n = split("abc", a, ""); print n, a[1], a[2], a[3]
  n = split("a1b22c", a, "[0-9]+"); print n, a[1], a[2], a[3]
  n = split("a1b22c", a, /[0-9]+/); print n, a[3]
  n = split("x.y.z", a, "."); print n, a[2]           # one byte: not a pattern
  for (i = 1; i <= 6; i++) b[i] = "old"
  n = split("p q", b); print n, length(b), (3 in b)
  n = split("10 9", c); print (c[1] > c[2])          # pieces compare as numbers
  FS = ","; n = split("u,v w", a); print n, a[2]
}
