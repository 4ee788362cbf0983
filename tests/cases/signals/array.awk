# SIGNAL starts as an array with one element per handled signal, "DEFAULT"
# unless the process was started with the signal ignored (never for SIGINT).
# Its elements are ordinary strings that can be read and replaced.
BEGIN {
  print length(SIGNAL)
  print SIGNAL["SIGINT"], SIGNAL["SIGCHLD"], SIGNAL["SIGUSR1"], SIGNAL["SIGFPE"]
  print ("SIGSEGV" in SIGNAL), ("SIGKILL" in SIGNAL), ("SIGEMT" in SIGNAL)
  SIGNAL["SIGUSR2"] = "ignore"
  print SIGNAL["SIGUSR2"]
  delete SIGNAL["SIGUSR2"]
  print ("SIGUSR2" in SIGNAL), length(SIGNAL)
}
