# Operator precedence and associativity as POSIX gives them: ^ is right
# associative and binds tighter than unary minus, the binary arithmetic
# operators are left associative, concatenation sits below + and -, and
# comparison below concatenation; ?: and assignment are right associative.
BEGIN {
  print 2 + 3 * 4, (2 + 3) * 4, 2 * 3 ^ 2
  print 2 ^ 3 ^ 2, -2 ^ 2, 2 ^ -1, (-2) ^ 2
  print 1 - 1 - 1, 2 / 2 / 2, 100 / 10 * 2, 2 ** 3 ** 2
  print 1 " " 2 + 3, 1 - 1 "x", -"3" "4", 1 + 2 " " 3 + 4
  print !1 + 1, !0 * 5, - - 2, 2 - -2, 2 * -3
  print (1 < 2 ""), ("a" 1 > "a"), ("a" < "b") ("b" < "a")
  print 1 || 0 && 0, (1 || 0) && 0, !0 && !1
  x = y = 3
  print x, y, 1 ? 2 : 3 ? 4 : 5, 0 ? 2 : 0 ? 4 : 5
  print "ab" ~ "a" "b", "ab" ~ "x" || 1
  a["k"]; print "k" in a, "z" in a == 0, !("z" in a)
}
