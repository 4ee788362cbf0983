# Output is never lost silently. Each line runs vorn under a shell
# condition: a failed write is reported once with the system's reason,
# close() gives -1 and the status is 2; so does a redirection that cannot
# be opened. "-", "/dev/stdout" and "/dev/stderr" share the process's own
# streams (a file the shell opened with >> keeps its contents). Under
# `ulimit -n 64` output to 200 files loses nothing; names that differ in
# letter case are two files.
function run(what, cmd) {
  print "--", what
  print "status", system(cmd)
}
BEGIN {
  v = ENVIRON["VORN"]
  q = "'"
  run("full device", v " " q "BEGIN { print 1 > \"/dev/full\"; print 2 > \"/dev/full\"; print close(\"/dev/full\") }" q " 2>&1")
  run("stdout full", v " " q "BEGIN { print \"hello\" }" q " 2>&1 >/dev/full")
  run("file size limit", "ulimit -f 64; " v " " q "BEGIN { for (i = 0; i < 8192; i++) print \"0123456789abcdef\" > \"big\"; print close(\"big\") }" q " 2>&1")
  system("wc -c < big")
  run("missing directory", v " " q "BEGIN { print 1 > \"no/such/dir\"; print \"after\" }" q " 2>&1")
  system("echo kept > app")
  run("standard names", v " " q "BEGIN { print \"a\" > \"/dev/stdout\"; print \"b\"; print \"c\" > \"-\"; print \"e\" > \"/dev/stderr\" }" q " >>app 2>&1")
  system("cat app; test -e - || echo no file named -")
  run("200 files under ulimit -n 64", "mkdir m; ulimit -n 64; " v " " q "BEGIN { for (r = 0; r < 3; r++) for (i = 0; i < 200; i++) print r > (\"m/\" i) }" q " 2>&1")
  system("cat m/* | wc -l; cat m/0 m/199 | tr \"\\n\" \" \"; echo")
  run("letter case", v " " q "BEGIN { print \"A\" > \"Rep\"; print \"B\" > \"rep\"; close(\"Rep\"); close(\"rep\") }" q " 2>&1; cat Rep rep")
}
