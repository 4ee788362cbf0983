# Program files: read whole whatever their size or source (a file, standard
# input, several -f), and a file that cannot be read is named with the
# reason and status 2.
function sh(cmd) { system("{ " cmd "; } 2>&1") }
BEGIN {
  # A program of 200 KB: a comment line long enough to span many reads,
  # then the statement that proves the whole file arrived.
  line = sprintf("%4000s", "")
  gsub(/ /, "x", line)
  for (i = 0; i < 50; i++) printf "# %s\n", line > "big.awk"
  print "BEGIN { print \"big\", length(ARGV) }" > "big.awk"
  close("big.awk")
  sh("\"$VORN\" -f big.awk")
  sh("cat big.awk | \"$VORN\" -f -")
  sh("echo 'END { print NR }' > end.awk; printf 'a\\nb\\n' | \"$VORN\" -f big.awk -f end.awk")
  sh("\"$VORN\" -f missing.awk; echo status $?")
  sh("mkdir dir.awk; \"$VORN\" -f dir.awk; echo status $?")
  sh(": > empty.awk; \"$VORN\" -f empty.awk; echo status $?")
}
