# "FAIL" (any letter case) lets SIGALRM interrupt a blocking read and
# nothing else: the read of the command's output carries on and the run
# goes on normally.
BEGIN {
  SIGNAL["SIGALRM"] = "fAiL"
  spawn("sleep 0.2; kill -ALRM " PID, ENVIRON, 1)
  "sleep 0.8; echo data" | getline line
  print line
  print "end"
}
