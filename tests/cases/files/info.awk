# filesize, filemode and filetime on files, directories, special files and
# missing ones, with every choice of their second argument.
BEGIN {
  printf "12345" > "five"; close("five")
  system("mkdir sub; mkfifo fifo; touch plain setuid setgid lockish sticky; " \
         "chmod 0644 plain; chmod 4755 setuid; chmod 2750 setgid; chmod 2640 lockish; " \
         "chmod 1777 sticky; chmod 0755 sub; chmod 0640 fifo; touch -d '2021-03-04 05:06:07' plain")
  print "sizes:", filesize("five"), filesize("sub"), filesize("missing"), filesize("fifo")
  n = split("plain setuid setgid lockish sticky sub fifo /dev/null missing", names, " ")
  for (i = 1; i <= n; i++)
    printf "%-9s %-6s %-6s %s\n", names[i], filemode(names[i]), filemode(names[i], "g"),
           filemode(names[i], "Other")
  print "all:", filemode("setgid", "all"), filemode("sticky", "a")
  print "bad letter:", filemode("plain", "z")
  print "mtime:", ctime(filetime("plain")), ctime(filetime("plain", "Mod"))
  print "atime and ctime:", (filetime("plain", "a") > 0), (filetime("plain", "c") > filetime("plain"))
  print "bad which:", ctime(filetime("plain", "q"))
  print "missing:", filetime("missing")
}
