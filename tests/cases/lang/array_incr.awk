# `A[K]++` and `A[K] += c` as statements: one lookup and the sum stored in
# place while the element holds an int, the long way for anything else;
# `A[K] op= v` storing straight into the element it read unless the table
# changed meanwhile; int subscripts of split's arrays, which find their
# elements through the keys split shares.
function grow(arr, n,   i) { for (i = 0; i < n; i++) arr["g" i] = i; return 1 }
function drop(arr, k) { delete arr[k]; return 10 }
function wipe(arr) { delete arr; return 100 }
BEGIN {
  g["k"] = 1; g["k"] += grow(g, 300); print g["k"], length(g)
  d["k"] = 1; d["k"] += drop(d, "k"); print d["k"], length(d)
  e["k"] = 1; e["j"] = 2; e["k"] *= wipe(e); print e["k"], length(e)
  for (i = 0; i < 40; i++) a["k"] += (a["n" i] = 1)
  for (i = 0; i < 40; i++) c["k" i % 3] += (c["m" i] = i) + length(c)
  print a["k"], length(a), c["k0"], c["k1"], c["k2"], length(c)
  b["k"] = 5; b["k"] += (b["k"] = 100); y["k"] += (y["k"]++) + 1; print b["k"], y["k"]
  fk[1.5]++; fk[1.5] += 2; fk[0.5] += 1.25; print fk[1.5], fk["1.5"], fk[0.5]
  c["n"] = 3; c["n"] ^= 2; c["n"] %= 5; c["n"] /= 2; f["s"] = "ab"; f["s"] = f["s"] "c"; print c["n"], f["s"]
  for (i = 0; i < 3; i++) { n["a"]++; n[2]++; n["2"] += 5; n[i] += -1 }
  print n["a"], n[0], n[1], n[2], length(n)
  big[1] = 2147483646; big[1]++; print big[1]; big[1]++; print big[1]; big[1] += 3; print big[1]
  low[1] = -2147483647; low[1] += -1; print low[1]; low[1] += -1; print low[1]
  split("41x abc 1.5 10", s, " ")
  for (i = 1; i <= 5; i++) { s[i]++; s[i] += 2 }
  print s[1], s[2], s[3], s[4], s[5]
  u[x]++; u[x] += 2; print length(u), u[""]
  z[1] = 5; print z[1]++, z[1], ++z[1], (z[1] += 2), z[1]
  m = split("p q r", w, " "); w[4] = "s"; w[2]++; w[2]++
  print m, w[1], w[2], w[3], w[4], (2 in w), ("2" in w), (5 in w), length(w)
  m = split("a b c d e f g h i j", w); sum = 0; for (k in w) sum += k; print m, sum
  delete w[3]; w[3]++; w[11]++; print w[3], w[11], length(w), w[10]
  m = split("x y", w); print m, length(w), w[1] w[2], (3 in w)
  split("", w); print length(w); w[1]++; print w[1], length(w)
}
