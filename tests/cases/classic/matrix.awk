# Matrix arithmetic on matrices given as paragraphs (blank-line separated
# records, RS = ""): each paragraph is a matrix, one row per line. The
# program prints each matrix's transpose and determinant (by Gaussian
# elimination with partial pivoting), and the product of each matrix with
# the next one when their shapes allow it.
#
# Numbers are converted to text with CONVFMT (%.6g), so a determinant
# such as -2.0000000000000004 prints as -2. A near-zero pivot test uses a
# tolerance of 1e-12.
# mawk and gawk print the same, except that a product of two ints beyond
# 46339 in magnitude is a float here, and floats convert with CONVFMT
# even when integral: the product cell 60000 * 50000 + 1 * 1 prints as
# 3e+09 (gawk and mawk print 3000000001).
BEGIN { RS = ""; FS = "\n" }
{
  k++
  rows[k] = NF
  for (i = 1; i <= NF; i++) {
    c = split($i, v, " ")
    if (i == 1) cols[k] = c
    else if (c != cols[k]) { printf "matrix %d: row %d has %d columns\n", k, i, c; bad[k] = 1 }
    for (j = 1; j <= c; j++) m[k, i, j] = v[j] + 0
  }
}
function show(title, a, r, c,    i, j, line) {
  print title
  for (i = 1; i <= r; i++) {
    line = ""
    for (j = 1; j <= c; j++) line = line sprintf(" %8s", a[i, j])
    print line
  }
}
function det(id, n,    a, i, j, r, p, t, f, d) {
  for (i = 1; i <= n; i++) for (j = 1; j <= n; j++) a[i, j] = m[id, i, j]
  d = 1
  for (i = 1; i <= n; i++) {
    p = i
    for (r = i + 1; r <= n; r++) if (abs(a[r, i]) > abs(a[p, i])) p = r
    if (abs(a[p, i]) < 1e-12) return 0
    if (p != i) { for (j = 1; j <= n; j++) { t = a[i, j]; a[i, j] = a[p, j]; a[p, j] = t }; d = -d }
    d *= a[i, i]
    for (r = i + 1; r <= n; r++) {
      f = a[r, i] / a[i, i]
      for (j = i; j <= n; j++) a[r, j] -= f * a[i, j]
    }
  }
  return d
}
function abs(x) { return x < 0 ? -x : x }
END {
  for (id = 1; id <= k; id++) {
    if (id in bad) continue
    delete t
    for (i = 1; i <= rows[id]; i++) for (j = 1; j <= cols[id]; j++) t[j, i] = m[id, i, j]
    show("matrix " id " transposed:", t, cols[id], rows[id])
    if (rows[id] == cols[id]) print "determinant " det(id, rows[id])
    nx = id + 1
    if (nx <= k && !(nx in bad) && cols[id] == rows[nx]) {
      delete p
      for (i = 1; i <= rows[id]; i++)
        for (j = 1; j <= cols[nx]; j++) {
          s = 0
          for (q = 1; q <= cols[id]; q++) s += m[id, i, q] * m[nx, q, j]
          p[i, j] = s
        }
      show("matrix " id " x matrix " nx ":", p, rows[id], cols[nx])
    }
  }
}
