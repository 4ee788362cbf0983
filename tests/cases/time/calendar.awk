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
  print "7th argument ignored, negative field:", time(2024, 1, 2, 3, 4, 5, 9) == time(2024, 1, 2, 3, 4, 5), time(2024, 1, -1)
  print "ctime(0): [" ctime(0) "]"
  print "ctime(1971):", ctime(86400 * 365)
  print "2100-12-31:", ctime(time(2100, 12, 31, 23, 59, 59))
  print "past the scale:", ctime(time(2100, 12, 31, 100000)), "|", ctime(-1)
  timetab(t, 0)
  print "epoch:", t["YEAR"], t["MONTH"], t["DAY"], t["HOUR"], t["MIN"], t["SEC"], t["WEEKDAY"], t["YEARDAY"]
  timetab(t, time(2024, 12, 31, 23, 59, 58))
  print "2024-12-31:", t["YEAR"], t["MONTH"], t["DAY"], t["HOUR"], t["MIN"], t["SEC"], t["WEEKDAY"], t["YEARDAY"]
  print "1970, 2101, month 13:", time(1970), time(2101, 1, 1), time(2024, 13)
}
