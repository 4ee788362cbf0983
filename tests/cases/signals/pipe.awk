# SIGPIPE is a terminating signal, so by default it is caught and ends the
# run in order: writing on to a command that has gone fails (the warning),
# and the next statement ends the run with status 255.
BEGIN {
  while (1) print "y" | "head -1"
}
