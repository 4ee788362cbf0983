# Date arithmetic on lines of the forms
#   diff YYYY-MM-DD YYYY-MM-DD    days between two dates (signed)
#   add  YYYY-MM-DD N             the date N days later (N may be negative)
#   week YYYY-MM-DD               weekday, day of year, ISO week number
# Dates are checked (month lengths, leap years); day numbers are counted
# from 1970-01-01 with the usual civil-from-days algorithm, all in whole
# numbers, so every AWK agrees.
BEGIN { split("Monday Tuesday Wednesday Thursday Friday Saturday Sunday", wdname, " ") }
function leap(y) { return y % 4 == 0 && (y % 100 != 0 || y % 400 == 0) }
function valid(d,    p) {
  if (d !~ /^[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]$/) return 0
  split(d, p, "-")
  Y = p[1] + 0; M = p[2] + 0; D = p[3] + 0
  if (M < 1 || M > 12 || D < 1) return 0
  return D <= (M == 2 ? 28 + leap(Y) : substr("31 28 31 30 31 30 31 31 30 31 30 31", 3 * M - 2, 2) + 0)
}
# days since 1970-01-01 of the date in Y, M, D
function days(y, m, d,    era, yoe, doy, doe) {
  y -= m <= 2
  era = int((y >= 0 ? y : y - 399) / 400)
  yoe = y - era * 400
  doy = int((153 * (m + (m > 2 ? -3 : 9)) + 2) / 5) + d - 1
  doe = yoe * 365 + int(yoe / 4) - int(yoe / 100) + doy
  return era * 146097 + doe - 719468
}
function civil(z,    era, doe, yoe, y, doy, mp, d, m) {
  z += 719468
  era = int((z >= 0 ? z : z - 146096) / 146097)
  doe = z - era * 146097
  yoe = int((doe - int(doe / 1460) + int(doe / 36524) - int(doe / 146096)) / 365)
  y = yoe + era * 400
  doy = doe - (365 * yoe + int(yoe / 4) - int(yoe / 100))
  mp = int((5 * doy + 2) / 153)
  d = doy - int((153 * mp + 2) / 5) + 1
  m = mp + (mp < 10 ? 3 : -9)
  return sprintf("%04d-%02d-%02d", y + (m <= 2), m, d)
}
function weekday(z) { return (z + 3) % 7 + 1 }   # 1970-01-01 was a Thursday
{
  n = split($0, w, " ")
  if (w[1] == "diff" && n == 3 && valid(w[2])) {
    a = days(Y, M, D)
    if (!valid(w[3])) { print "bad date: " w[3]; next }
    b = days(Y, M, D)
    printf "%s .. %s: %d days\n", w[2], w[3], b - a
  } else if (w[1] == "add" && n == 3 && valid(w[2]) && w[3] ~ /^[-+]?[0-9]+$/) {
    printf "%s %+d days = %s\n", w[2], w[3], civil(days(Y, M, D) + w[3])
  } else if (w[1] == "week" && n == 2 && valid(w[2])) {
    z = days(Y, M, D)
    wd = weekday(z)
    doy = z - days(Y, 1, 1) + 1
    # ISO week: the week with the year's first Thursday is week 1
    th = z - wd + 4
    split(civil(th), p, "-")
    wk = int((th - days(p[1] + 0, 1, 1)) / 7) + 1
    printf "%s is a %s, day %d, ISO week %s-W%02d\n", w[2], wdname[wd], doy, p[1], wk
  } else print "cannot do: " $0
}
