# Roman numerals both ways: a line holding a decimal number is converted
# to a numeral, a line holding a numeral to its value; numerals that are
# not in canonical form are flagged (the value is still given), values
# outside 1..3999 and other text are rejected.
#
# x is a string (the result of toupper), and a string that looks like a
# number compares numerically with a number here, so "4" is in range.
# mawk and gawk compare the string "4" with 3999 as text and print
# "4: out of range".
BEGIN {
  split("1000 900 500 400 100 90 50 40 10 9 5 4 1", val, " ")
  split("M CM D CD C XC L XL X IX V IV I", sym, " ")
  r["I"] = 1; r["V"] = 5; r["X"] = 10; r["L"] = 50
  r["C"] = 100; r["D"] = 500; r["M"] = 1000
}
function to_roman(n,    i, s) {
  s = ""
  for (i = 1; i <= 13; i++)
    while (n >= val[i]) { s = s sym[i]; n -= val[i] }
  return s
}
function from_roman(s,    i, v, c, nx, total) {
  total = 0
  for (i = 1; i <= length(s); i++) {
    c = r[substr(s, i, 1)]
    nx = i < length(s) ? r[substr(s, i + 1, 1)] : 0
    total += c < nx ? -c : c
  }
  return total
}
{ x = toupper($1) }
x ~ /^[0-9]+$/ {
  if (x < 1 || x > 3999) print x ": out of range"
  else print x " = " to_roman(x)
  next
}
x ~ /^[IVXLCDM]+$/ {
  v = from_roman(x)
  canon = to_roman(v)
  print x " = " v (canon == x ? "" : " (canonical form " canon ")")
  next
}
{ print "? " $0 }
