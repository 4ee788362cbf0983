# stat fills its array with the fields stat(1) reports (times in local
# seconds, here UTC), by name or through an open stream, and FSTYPE names
# the file system the way stat -f does.
BEGIN {
  system("echo some bytes > data; touch -d '2022-02-02 02:02:02' data")
  cmd = "stat -c '%d %i %f %h %u %g %s %o %b %X %Y %Z' data; stat -f -c %T data"
  cmd | getline want
  cmd | getline fstype
  close(cmd)
  print "stat:", stat("data", s)
  got = s["DEV"] " " s["INODE"] " " sprintf("%x", s["MODE"]) " " s["NLINK"] " " s["UID"] " " \
        s["GID"] " " s["SIZE"] " " s["BLKSIZE"] " " s["BLOCKS"] " " \
        s["ATIME"] " " s["MTIME"] " " s["CTIME"]
  print "fields match stat(1):", got == want ? "yes" : got " vs " want
  print "FSTYPE matches stat -f:", s["FSTYPE"] == fstype || (s["FSTYPE"] == "" && fstype ~ /UNKNOWN/)
  print "mtime:", ctime(s["MTIME"])
  print "elements:", length(s)
  f = fopen("data", "r")
  r = stat(f, t)
  print "by stream:", r, t["INODE"] == s["INODE"], t["SIZE"]
  close(f)
  s["stale"] = 1
  r = stat("missing", s)
  print "missing:", r, length(s)
  stat("/dev/null", s)
  print "/dev/null:", s["RDEV"], filemode("/dev/null"), stat("/")
}
