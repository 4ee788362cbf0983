# sleep(seconds [, milliseconds]): whole seconds, fractions to the
# millisecond, extra milliseconds; zero and negative values do not pause.
# Elapsed times are measured with date(1) in milliseconds.
function now(   t) {
  "date +%s%3N" | getline t
  close("date +%s%3N")
  return t + 0
}
function check(what, lo, hi, t0,   ms) {
  ms = now() - t0
  print what, (ms >= lo && ms < hi) ? "ok" : ("took " ms " ms")
}
BEGIN {
  t = now(); sleep(0, 250); check("sleep(0, 250)", 250, 700, t)
  t = now(); sleep(0.3); check("sleep(0.3)", 300, 750, t)
  t = now(); sleep("0.2"); check("sleep(\"0.2\")", 200, 650, t)
  t = now(); sleep(1); check("sleep(1)", 1000, 1450, t)
  t = now(); sleep(-2); check("sleep(-2)", 0, 150, t)
  t = now(); sleep(0); check("sleep(0)", 0, 150, t)
  t = now(); sleep(1, -900); check("sleep(1, -900)", 100, 550, t)
  r = sleep(0)
  print "no result:", (r == 0 && r == "")
}
