# A fault signal is reported with the source line that was running, as a
# fatal error (status 2, END does not run).
BEGIN {
  x = 1
  spawn("sleep 0.2; kill -SEGV " PID, ENVIRON, 1)
  sleep(10)
  print "not reached"
}
END { print "END does not run" }
