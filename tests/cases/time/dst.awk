# Local seconds follow the zone's offset at each moment: a file stamped at
# noon UTC reads 08:00 in New York summer time and 07:00 in winter, and the
# clock now is the system clock shifted by the offset in force.
BEGIN {
  system("touch -d '2020-07-01 12:00 UTC' summer; touch -d '2020-01-15 12:00 UTC' winter")
  print "summer:", ctime(filetime("summer")), filetime("summer") == time(2020, 7, 1, 8)
  print "winter:", ctime(filetime("winter")), filetime("winter") == time(2020, 1, 15, 7)
  "date +%s%z" | getline now
  offset = (substr(now, 11, 1) "1") * (substr(now, 12, 2) * 3600 + substr(now, 14, 2) * 60)
  d = time() - (substr(now, 1, 10) + offset)
  # A loaded machine may take seconds between the two readings, and the
  # C library's time() reads the clock as the last tick left it, which may
  # trail date(1)'s reading across a second's edge; a wrong offset is off
  # by hours.
  print "now within 60 s of date(1):", d >= -1 && d <= 60
  t = time()
  c = ctime()
  t2 = time()
  for (s = t; s <= t2; s++) if (c == ctime(s)) now = 1
  print "ctime() is now:", now + 0
}
