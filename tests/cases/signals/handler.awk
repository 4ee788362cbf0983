# A function named in SIGNAL runs at the next statement after the delivery,
# with the signal's name and the detail code (0 for a signal sent by kill).
# The interrupted sleep returns early.
function onusr(name, code) {
  calls++
  print "handler:", name, code
}
BEGIN {
  SIGNAL["SIGUSR1"] = "onusr"
  spawn("sleep 0.2; kill -USR1 " PID, ENVIRON, 1)
  sleep(10)
  print "calls:", calls
}
