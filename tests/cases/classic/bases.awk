# Base conversion: each line "number from-base to-base" converts an
# unsigned number between bases 2 to 36 with the program's own digit
# arithmetic (big values are kept as digit strings, so there is no limit
# on size), and prints the printf %o/%x/%X/%b forms for small decimals.
#
# Differences, by the run-time's rules:
# - printf %b prints binary digits here; gawk and mawk have no %b
#   conversion (gawk prints "%b" literally with a warning, mawk stops
#   with an error), so the %b column differs.
# - %x of 4294967295 gives ffffffff everywhere, but of 4294967296 the
#   conversion to 32 bits clamps to 4294967295 with a warning on
#   standard error ("Overflow in conversion of floating point number
#   to integer"); gawk and mawk print 100000000.
BEGIN { digits = "0123456789abcdefghijklmnopqrstuvwxyz" }
# divide the digit string s (base b) by d; quotient digits in q[], returns remainder
function divmod(s, b, d,    i, r, v, out) {
  r = 0; out = ""
  for (i = 1; i <= length(s); i++) {
    v = r * b + index(digits, substr(s, i, 1)) - 1
    out = out substr(digits, int(v / d) + 1, 1)
    r = v % d
  }
  sub(/^0+/, "", out)
  quotient = out == "" ? "0" : out
  return r
}
function convert(s, from, to,    res, r) {
  s = tolower(s)
  if (s == "0") return "0"
  res = ""
  while (s != "0") {
    r = divmod(s, from, to)
    res = substr(digits, r + 1, 1) res
    s = quotient
  }
  return res
}
function valid(s, b,    i) {
  for (i = 1; i <= length(s); i++)
    if (index(substr(digits, 1, b), substr(tolower(s), i, 1)) == 0) return 0
  return s != ""
}
{
  n = $1; from = $2 + 0; to = $3 + 0
  if (from < 2 || from > 36 || to < 2 || to > 36) { print "bad base: " $0; next }
  if (!valid(n, from)) { print "bad digits for base " from ": " n; next }
  print n " (base " from ") = " convert(n, from, to) " (base " to ")"
  if (from == 10 && length(n) <= 10)
    printf "  %%o %o  %%x %x  %%X %X  %%b %b\n", n, n, n, n
}
