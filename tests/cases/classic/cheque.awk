# A cheque writer: each input line holds an amount; it is printed with
# thousands separators and two decimals, and in words ("one thousand two
# hundred thirty-four and 56/100"). Amounts are parsed by the program
# itself (digits, one point, at most two decimals); anything else is
# rejected, as are amounts of a billion or more.
#
# The program never converts the input text to a number by itself, so
# "1,234.50" (a comma-grouped amount) is refused by its own check in
# every AWK, although a string-to-number conversion here would read the
# comma as a decimal separator.
BEGIN {
  split("one two three four five six seven eight nine ten eleven twelve thirteen fourteen fifteen sixteen seventeen eighteen nineteen", small, " ")
  split("x twenty thirty forty fifty sixty seventy eighty ninety", tens, " ")
}
function below1000(n,    s) {
  s = ""
  if (n >= 100) { s = small[int(n / 100)] " hundred"; n %= 100; if (n) s = s " " }
  if (n >= 20) { s = s tens[int(n / 10)]; n %= 10; if (n) s = s "-" small[n] }
  else if (n > 0) s = s small[n]
  return s
}
function words(n,    s, parts, scale, i, chunk) {
  if (n == 0) return "zero"
  split("thousand million", scale, " ")
  s = below1000(n % 1000)
  n = int(n / 1000)
  for (i = 1; n > 0; i++) {
    chunk = n % 1000
    if (chunk) s = below1000(chunk) " " scale[i] (s == "" ? "" : " " s)
    n = int(n / 1000)
  }
  return s
}
function grouped(s,    out) {
  out = ""
  while (length(s) > 3) { out = "," substr(s, length(s) - 2) out; s = substr(s, 1, length(s) - 3) }
  return s out
}
{
  t = $0
  gsub(/[ \t$]/, "", t)
  if (t !~ /^[0-9]+(\.[0-9]?[0-9]?)?$/) { print "rejected: " $0; next }
  whole = t; cents = "00"
  if (index(t, ".")) {
    whole = substr(t, 1, index(t, ".") - 1)
    cents = substr(substr(t, index(t, ".") + 1) "00", 1, 2)
  }
  sub(/^0+/, "", whole); if (whole == "") whole = "0"
  if (length(whole) > 9) { print "too large: " $0; next }
  w = words(whole + 0)
  printf "%15s  %s and %s/100\n", "$" grouped(whole) "." cents, toupper(substr(w, 1, 1)) substr(w, 2), cents
}
