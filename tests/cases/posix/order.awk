# Arguments with side effects are evaluated first to last; x op= e reads x after e.
function f(a, b, c) { return a "-" b "-" c }
BEGIN {
  s = "xyz"; print match(s, /y/), RSTART, RLENGTH
  i = 0; print i++, i++, i; printf "%d %d\n", i++, i
  print f(i++, i++, i), substr("abcdef", i++, i++), i
  t = "aaa"; print gsub(/a/, "b", t), t
  x = 1; x += x++; y = 10; y -= y++; a[1] = 1; a[1] += a[1]++; print x, y, a[1]
  $0 = "1 2"; $1 += $1++; print
}
