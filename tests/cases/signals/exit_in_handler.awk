# A handler function may end the run with exit: the statement that was
# interrupted does not go on, END runs, and the exit status is the handler's.
function onterm(name, code) {
  print "caught", name
  exit 3
}
BEGIN {
  SIGNAL["SIGTERM"] = "onterm"
  spawn("sleep 0.2; kill -TERM " PID, ENVIRON, 1)
  sleep(10)
  print "not reached"
}
END { print "END runs" }
