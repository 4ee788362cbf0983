# A value that is neither a keyword nor a function name is noted (once, even
# though later assignments re-apply the settings) and the default stays:
# SIGHUP still ends the run.
BEGIN {
  SIGNAL["SIGHUP"] = "nosuchfunction"
  SIGNAL["SIGTERM"] = "default"
  spawn("sleep 0.2; kill -HUP " PID, ENVIRON, 1)
  sleep(10)
  print "not reached"
}
