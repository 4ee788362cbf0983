# vorn compiles and runs the program in its own process: a copy of it in a
# directory of its own, with no run-time beside it, runs programs with their
# options, operands and exit status, and leaves no file behind.
function sh(cmd) { system("{ " cmd "; } 2>&1") }
BEGIN {
  sh("mkdir alone tmp && cp \"$VORN\" alone/vorn")
  sh("echo 'a b' | TMPDIR=$(pwd)/tmp alone/vorn -F ' ' -v x=1 '{ print $2, x, ARGV[0], ARGV[1] }' - y=2")
  sh("alone/vorn 'BEGIN { exit 3 }'; echo status $?")
  sh("alone/vorn 'BEGIN { x = }'; echo status $?")
  sh("ls alone tmp")
}
