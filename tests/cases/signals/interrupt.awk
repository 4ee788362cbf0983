# With no SIGNAL setting, SIGINT ends the run in order: what was printed is
# flushed, the abort message follows on a new line, and the status is 255.
# The END code does not run.
BEGIN {
  print "before the signal"
  spawn("sleep 0.2; kill -INT " PID, ENVIRON, 1)
  sleep(10)
  print "not reached"
}
END { print "END does not run" }
