# Number theory without input: a sieve of Eratosthenes up to 200 printed
# in rows of ten, prime factorisations, greatest common divisors and
# least common multiples, perfect numbers below 10000, and the Collatz
# sequence length record below 1000.
#
# Differences, by the run-time's rules: 2147483647 * 2 and 65536 * 65536
# are beyond the int fast path (factors above 46339), so they are floats
# and print with OFMT (4.29497e+09) like in mawk; gawk prints the
# integral values 4294967294 and 4294967296. 46339 * 46339 is an int.
function factor(n,    d, s, e) {
  s = ""
  for (d = 2; d * d <= n; d++) {
    e = 0
    while (n % d == 0) { n /= d; e++ }
    if (e) s = s (s == "" ? "" : " * ") d (e > 1 ? "^" e : "")
  }
  if (n > 1) s = s (s == "" ? "" : " * ") n
  return s
}
function gcd(a, b,    t) { while (b) { t = a % b; a = b; b = t } return a }
BEGIN {
  N = 200
  for (i = 2; i <= N; i++) composite[i] = 0
  for (i = 2; i * i <= N; i++)
    if (!composite[i]) for (j = i * i; j <= N; j += i) composite[j] = 1
  line = ""; cnt = 0
  for (i = 2; i <= N; i++)
    if (!composite[i]) {
      line = line sprintf("%4d", i)
      if (++cnt % 10 == 0) { print line; line = "" }
    }
  if (line != "") print line
  print cnt " primes below " N

  split("360 97 1001 65536 2147483646 999999", nums, " ")
  for (i = 1; i in nums; i++) print nums[i] " = " factor(nums[i])

  print "gcd(1071, 462) = " gcd(1071, 462), "lcm(21, 6) = " 21 * 6 / gcd(21, 6)
  print "gcd(0, 5) = " gcd(0, 5), "gcd(17, 0) = " gcd(17, 0)

  for (n = 2; n < 10000; n++) {
    s = 1
    for (d = 2; d * d <= n; d++) if (n % d == 0) { s += d; if (d * d != n) s += n / d }
    if (s == n) perfect = perfect " " n
  }
  print "perfect:" perfect

  best = 0
  for (n = 1; n < 1000; n++) {
    x = n; steps = 0
    while (x != 1) { x = x % 2 ? 3 * x + 1 : x / 2; steps++ }
    if (steps > best) { best = steps; arg = n }
  }
  print "longest Collatz chain below 1000 starts at " arg " (" best " steps)"
  print 2147483647 * 2, 65536 * 65536, 46339 * 46339
}
