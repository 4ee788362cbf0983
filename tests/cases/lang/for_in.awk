# for (k in a) visits the keys in natural order (numbers inside keys compare
# by value), where gawk and mawk use hash order. The key list is a snapshot:
# deleting during the loop does not disturb it and keys added are not
# visited. delete a removes every element.
BEGIN {
  split("10 9 100 a10 a2 -5 x", v, " ")
  for (i in v) a[v[i]] = i
  for (k in a) printf "%s ", k
  print ""
  for (k in a) { delete a["100"]; a["new" k] = 1; printf "%s ", k }
  print ""
  print length(a), ("100" in a), ("new9" in a)
  delete a
  print length(a)
  for (k in empty) print "never"
  print length(empty)
}
