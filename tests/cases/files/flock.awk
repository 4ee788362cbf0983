# Record locks between two processes: while this one holds a write lock on
# bytes 0-9 of a file, a second vorn process's non-waiting flock on that
# range fails, on bytes 10-19 succeeds, and after funlock succeeds too.
BEGIN {
  "dirname $(readlink /proc/$PPID/exe)" | getline bin
  other = bin "/vorn 'BEGIN { f = fopen(\"lk\", \"r+\"); " \
          "print \"  other:\", flock(f, 0, 10, \"xn\"), flock(f, 0, 10, \"sn\"), " \
          "flock(f, 10, 10, \"n\"), flock(\"lk\", 0, 0, \"xn\") }'"
  printf "0123456789abcdefghij" > "lk"
  close("lk")
  f = fopen("lk", "r+")
  print "locked:", flock(f, 0, 10)
  system(other)
  print "unlocked:", funlock(f, 0, 10)
  system(other)
  printf "x\n" > "ro"
  close("ro")
  getline line < "ro"
  print "read lock on a read-only stream:", flock("ro", 0, 1, "sn")
  print "write lock on it:", flock("ro", 0, 1, "xn")
  print "unlock it:", funlock("ro", 0, 1)
  print "bad mode letter:", flock(f, 0, 1, "nq")
  print "not open:", flock("nosuch", 0, 1), funlock("nosuch", 0, 1)
}
