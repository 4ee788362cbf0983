# table builds an array from key, value pairs.
BEGIN {
  t = table("a", 1, "b", "two", 3, 4.5)
  print length(t), t["a"], t["b"], t[3]
  for (k in t) print k, t[k]
  e = table(); print length(e)
}
