# Local seconds follow the zone's offset at each moment: a file stamped at
# noon UTC reads 08:00 in New York summer time and 07:00 in winter, and the
# clock now is the system clock shifted by the offset in force.
function stamp(file, utc,   cmd) {
  cmd = "touch -d '" utc " UTC' " file
  system(cmd)
}
BEGIN {
  stamp("summer", "2020-07-01 12:00:00")
  stamp("winter", "2020-01-15 12:00:00")
  print "summer:", ctime(filetime("summer")), filetime("summer") == time(2020, 7, 1, 8)
  print "winter:", ctime(filetime("winter")), filetime("winter") == time(2020, 1, 15, 7)
  stat("summer", s)
  print "stat MTIME:", s["MTIME"] == filetime("summer", "m")
  "date +%s" | getline utc
  "date +%z" | getline zone
  offset = (substr(zone, 1, 1) == "-" ? -1 : 1) * (substr(zone, 2, 2) * 3600 + substr(zone, 4, 2) * 60)
  d = time() - (utc + offset)
  print "now within 2 s of date(1):", d >= 0 && d <= 2
  t = time()
  c = ctime()
  print "ctime() is now:", c == ctime(t) || c == ctime(t + 1)
  timetab(now)
  print "timetab() is now:", now["YEAR"] >= 2024
}
