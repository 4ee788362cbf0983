# A cal(1)-like month printer. Each input line "year month" prints that
# month with Monday as the first day of the week, the day of the year of
# the 1st, and whether the year is a leap year. The weekday comes from
# a day count since a fixed Monday, not from the system clock.
function leap(y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0 }
function mdays(y, m) { return m == 2 ? 28 + leap(y) : substr("312831303130313130313031", 2 * m - 1, 2) + 0 }
# days from 0001-01-01 (a Monday in the proleptic Gregorian calendar)
function daynum(y, m, d,    n, i) {
  y--
  n = y * 365 + int(y / 4) - int(y / 100) + int(y / 400)
  for (i = 1; i < m; i++) n += mdays(y + 1, i)
  return n + d - 1
}
BEGIN {
  split("January February March April May June July August September October November December", mname, " ")
}
NF == 2 && $2 >= 1 && $2 <= 12 && $1 >= 1 {
  y = $1 + 0; m = $2 + 0
  title = mname[m] " " y
  printf "%*s%s\n", int((20 - length(title)) / 2), "", title
  print "Mo Tu We Th Fr Sa Su"
  wd = daynum(y, m, 1) % 7
  line = sprintf("%*s", wd * 3, "")
  for (d = 1; d <= mdays(y, m); d++) {
    line = line sprintf("%2d", d)
    if (++wd == 7) { print line; line = ""; wd = 0 }
    else line = line " "
  }
  if (line != "") { sub(/ +$/, "", line); print line }
  printf "day %d of %d; %s\n\n", daynum(y, m, 1) - daynum(y, 1, 1) + 1, y, leap(y) ? "leap year" : "common year"
  next
}
{ print "bad request: " $0 }
