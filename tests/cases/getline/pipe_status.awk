# cmd | getline: the command runs once; after its output ends every read
# gives 0 until close(), which returns the command's exit status. A second
# close(), or a close() of a command never started, gives -1.
BEGIN {
  cmd = "echo run >> runs.txt; echo a; echo b; exit 3"
  while ((cmd | getline line) > 0) print "got", line
  r = (cmd | getline line)
  print "after end", r, "[" line "]"
  print "status", close(cmd)
  print "close again", close(cmd)
  while ((getline l < "runs.txt") > 0) n++
  print "runs", n
  print "never started", close("echo never")

  # close() before the output is read to its end still waits for the
  # status (the command ignores SIGPIPE, so that it gets to its exit)
  early = "trap \"\" PIPE; echo x; echo y 2>/dev/null; exit 4"
  early | getline z
  print "early", z, close(early)

  # a command killed by a signal reports the signal number times 256
  "kill -9 $$" | getline z
  print "killed", close("kill -9 $$")

  # commands are matched exactly: these are two pipes
  "echo lower" | getline u
  "ECHO lower 2>/dev/null || echo upper" | getline v
  print u, v
}
