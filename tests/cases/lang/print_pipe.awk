# Output to a command: every print | "sort" with the same command text
# writes to one pipe, which is closed (and the command's output flushed)
# when the program ends.
BEGIN {
  print "b" | "sort"
  print "c" | "sort"
  printf "%s\n", "a" | "sort"
  cmd = "so" "rt"; print("d") | cmd
}
