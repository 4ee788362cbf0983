# Arithmetic: ints stay ints while the result fits (the interpreter's fast
# paths), and fall back to floats otherwise. Division is an int only when it
# is exact, % is floored (its result has the divisor's sign: -7 % 3 is 2,
# where gawk and mawk give -1), and an integral float below 2^53 prints as
# an integer (2^31 prints as 2147483648). The items of print are evaluated
# first to last, so n++ and --n in one print list see the items to their
# left. A string operand takes the float path, so "3x" + 1 is a float.
BEGIN {
  print 1 + 2, 7 - 10, 6 * 7, 6 / 3, 7 / 2, 1 / 4
  print -7 % 3, 7 % -3, 7 % 3, 7.5 % 2
  big = 999999999 + 999999999 + 147483649
  print big, typeof(big), big + 1, typeof(big + 1)
  neg = -big - 1
  print neg, typeof(neg), -neg, typeof(-neg)
  print 46339 * 46339, typeof(46339 * 46339), 46340 * 46340, typeof(46340 * 46340)
  print typeof(6 / 3), typeof(7 / 2), typeof(4 % 2), typeof(2 ^ 2)
  print 1234567890, typeof(123456789), typeof(1234567890)
  x = 10; x += 5; x -= 3; x *= 2; x /= 4; x %= 4; print x
  y = 2; y ^= 10; print y; y **= 0.5; print y
  n = 5; print n++, n, ++n, n--, n, --n
  s = "3x"; s++; print s, typeof(s)
}
