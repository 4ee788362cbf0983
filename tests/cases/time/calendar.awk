# time() composes local seconds from fields without normalising them, and
# ctime/timetab break them down again; 2100 is not a leap year, and the
# end of the scale in 2106 is a ceiling, never a wrap back to 1970.
BEGIN {
  print "1980:", time(1980)
  print "2000-02-29 to 03-01:", time(2000, 3, 1) - time(2000, 2, 29)
  print "2100-02-28 to 03-01:", time(2100, 3, 1) - time(2100, 2, 28)
  print "1999-12-32 is 2000-01-01:", time(1999, 12, 32) == time(2000, 1, 1)
  print "hour 25 runs over:", ctime(time(2024, 2, 28, 25, 61, 61))
  print "defaults:", ctime(time(2024)), "|", ctime(time(2024, 7)), "|", ctime(time(2024, 7, 4, 13))
  print "seventh argument ignored:", time(2024, 1, 2, 3, 4, 5, 99) == time(2024, 1, 2, 3, 4, 5)
  print "negative field:", time(2024, 1, -1)
  print "ctime(0): [" ctime(0) "]"
  print "ctime(1971):", ctime(86400 * 365)
  print "2100-12-31:", ctime(time(2100, 12, 31, 23, 59, 59))
  print "2101 leap day count:", ctime(time(2100, 12, 31) + 86400 * 60)
  print "past the scale:", ctime(time(2100, 12, 31, 100000))
  print "last second:", ctime(-1)
  timetab(t, 0)
  print "epoch:", t["YEAR"], t["MONTH"], t["DAY"], t["HOUR"], t["MIN"], t["SEC"], t["WEEKDAY"], t["YEARDAY"]
  timetab(t, time(2024, 12, 31, 23, 59, 58))
  print "2024-12-31:", t["YEAR"], t["MONTH"], t["DAY"], t["HOUR"], t["MIN"], t["SEC"], t["WEEKDAY"], t["YEARDAY"]
  n = 0
  for (k in t) n++
  print "elements:", n
  print "1970:", time(1970)
  print "2101:", time(2101, 1, 1)
  print "month 13:", time(2024, 13)
  print "month 0:", time(2024, 0)
}
