# splitp keeps the matches of a pattern as the pieces (the third argument,
# or FPAT); text between matches belongs to no piece.
BEGIN {
  n = splitp("ab12cd345e6", a, "[0-9]+"); print n, a[1], a[2], a[3]
  n = splitp("a,,b", a, "[^,]*"); print n, a[1], "[" a[2] "]", a[3]
  n = splitp("no digits", a, /[0-9]+/); print n, length(a)
  FPAT = "[A-Z][a-z]*"
  n = splitp("JohnPaulGeorge", a); print n, a[1], a[3]
  n = splitp("x=1;y=22", kv, /[a-z]=[0-9]+/); print n, kv[2]
}
