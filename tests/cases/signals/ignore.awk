# "IGNORE" takes effect as soon as it is stored; deleting the element
# afterwards leaves the signal ignored.
BEGIN {
  SIGNAL["SIGINT"] = "IGNORE"
  spawn("sleep 0.1; kill -INT " PID, ENVIRON, 1)
  sleep(1)
  print "alive after the first"
  delete SIGNAL["SIGINT"]
  spawn("sleep 0.1; kill -INT " PID, ENVIRON, 1)
  sleep(1)
  print "alive after the second"
}
