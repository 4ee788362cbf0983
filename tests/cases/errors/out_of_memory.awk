# Memory exhaustion anywhere ends with the run-time's message and status 2,
# never an uncaught exception or an abort: gsub doubling a string (the C++
# library's memory), a growing array and concatenation (the allocator's),
# under a 400 MB address-space limit. A sanitizer build cannot start under
# such a limit; there the case prints what it expects, untested.
function run(prog) {
  if (!limited) { print "fatal error: out of memory", "status 2"; return }
  system("ulimit -v 400000; " ENVIRON["VORN"] " '" prog "' 2>err; echo status $? > st")
  getline msg < "err"; close("err")
  getline st < "st"; close("st")
  sub(/^[^:]*: /, "", msg); sub(/ \([0-9]+\)$/, "", msg)
  print msg, st
}
BEGIN {
  limited = system("ulimit -v 400000; " ENVIRON["VORN"] " 'BEGIN { }' 2>/dev/null") == 0
  run("BEGIN { s = \"x\"; for (i = 0; i < 40; i++) gsub(/x/, \"xx\", s) }")
  run("BEGIN { for (i = 0; ; i++) a[i] = i \"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxx\" }")
  run("BEGIN { s = \"x\"; while (1) s = s s }")
}
