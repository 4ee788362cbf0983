# The interpreter's shortcuts give what the long way gives: `v += c` done
# in place, a variable or a call result made numeric at once, the quotient,
# integer arithmetic and comparisons at their edges, and `v = v x` appending
# in place to a string that may be shared; then argcount/argval beyond the
# arguments given, and CONVFMT against OFMT.
function id(v) { return v }
function none() { }
function args(a, b, c) { return argcount() ":" argval(2) ":" argval(3) ":" argval(0) }
function locals(start, add,   v, w) {
  v = start; v += add; w = v; w += 1
  return v " " w " " (start + 0) " " (id(start) + 0)
}
function appends(n,   v, i, snap) {
  v = "ab"
  for (i = 0; i < n; i++) { v = v "xyz"; if (i == n / 2) snap = v }
  w = "cd"; for (i = 0; i < 10; i++) w = w w
  return length(v) " " length(snap) " " substr(v, length(v) - 4) " " length(w)
}
BEGIN {
  split("41 0 -2147483648 2147483647 1.5 41x abc", start, " ")
  for (i = 1; i <= 7; i++) {
    g = start[i]; g++; h = start[i]; h += -7; k = start[i]; m = k + 2
    print g, h, k, m, locals(start[i], 2), id(start[i]) + 0, -(start[i])
  }
  print none() + 1, id(0.25) * 4, id("12") + 0, args(1, 2)
  split("7/3 7/4 7/5 1/8 1/15625 1/15626 9/-4 -2147483648/-1 -12/4 7/0", q, " ")
  for (i = 1; i <= 10; i++) { split(q[i], p, "/"); print q[i], p[1] / p[2], p[1] / (p[2] "") }
  x = "7"; print x / 2, 1.25 / 4, 1.5 / 0.5, 3 / 1.5, u / 7, x - 0.5, x * 1.5, x + 0.25, "2.5" * x
  M = 214748364; M = M * 10 + 7; m = -M - 1; a = 46339; b = 46340; one = 1; two = 2; five = 5
  print M + one, m + -one, M + m, u + five, 1.5 + two, m - one, -one - M, 0 - m, M - -one
  print a * a, b * b, -a * a, 100000 * two, 7 * u, 6 / two, -6 / two, 7 / two, u / five
  print -m, -u, -(two + 0.25), 7 % 3, two ^ 10, int(3.75), int(u), int("42abc")
  print (one < two), (two < two), (two <= two), (two > one), (two >= 3), (five == 5), (five != 5)
  print (m < M), (u == 0), (u == ""), (u == "0"), ("abc" < "abd"), ("b" > "abc"), ("10" > 9), (2.5 > two)
  n = 9; o = --n; g = M; g++; print o, n, g, five + 0.5, five - 0.5, 0.5 - five
  print appends(5), appends(3000)
  s = "ab"; t = s; for (i = 0; i < 400; i++) { s = s "xyz" "!"; if (i == 137) t = s }
  print length(s), length(t), substr(t, length(t) - 3)
  $0 = "fld other"; f = $1; for (i = 0; i < 300; i++) f = f "xyz"; print length(f), $1
  CONVFMT = "%.2f"; OFMT = "%.3e"; x = 3.14159; y = x ""; print y, x, 7.0
}
