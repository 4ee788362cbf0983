# SORTTYPE picks the order of for (k in a): 1 natural (the default), 2
# bytewise, 9 natural descending, 5 natural ignoring case, 17 natural with
# "." ending a number.
function keys(arr,   k, s) { for (k in arr) s = s k " "; return s }
BEGIN {
  split("10 9 100 a2 a10", v, " "); for (i in v) a[v[i]]
  print keys(a)
  SORTTYPE = 2; print keys(a)
  SORTTYPE = 9; print keys(a)
  b["B"]; b["a"]; b["C"]
  SORTTYPE = 1; print keys(b)
  SORTTYPE = 5; print keys(b)
  c["1.5"]; c["1.25"]
  SORTTYPE = 1; print keys(c)
  SORTTYPE = 17; print keys(c)
}
