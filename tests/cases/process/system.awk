# system() returns the command's exit code (a signal gives its number times
# 256); the empty command runs nothing and gives 0. Output written before
# a command comes before the command's own.
BEGIN {
  print "exit 0:", system("exit 0")
  print "exit 3:", system("exit 3")
  print "exit 255:", system("exit 255")
  print "false:", system("false")
  print "killed:", system("kill -9 $$")
  print "missing:", system("no-such-command-vorn 2>/dev/null")
  print "empty:", system("")
  printf "before "
  system("echo during")
  print "after"
  print "to a file" > "order.txt"
  system("echo from the command >> order.txt")
  close("order.txt")
  while ((getline l < "order.txt") > 0) print "order:", l
}
