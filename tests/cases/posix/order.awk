# Arguments with side effects are evaluated first to last, in print,
# printf, builtins and user functions; "x op= e" reads x after e.
function f(a, b, c) { return a "-" b "-" c }
function bump() { return ++n }
BEGIN {
  s = "xyz"
  print match(s, /y/), RSTART, RLENGTH
  i = 0; print i++, i++, i
  i = 0; printf "%d %d %d\n", i++, i++, i
  print f(i++, i++, i)
  print substr("abcdef", i++, i++), i
  print bump(), bump(), n
  x = sprintf("%s %s", j++, j); print x
  t = "aaa"; print gsub(/a/, "b", t), t
  x = 1; x += x++; print x
  y = 10; y -= y++; print y
  a[1] = 1; a[1] += a[1]++; print a[1]
  $0 = "1 2"; $1 += $1++; print
}
