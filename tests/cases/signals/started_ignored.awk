# A signal the run-time was started with ignored reads "IGNORE" (never
# SIGINT), however the program first comes to SIGNAL: by reading it, or
# after a child command has had the settings put back and re-applied.
function sh(cmd) { system("{ " cmd "; } 2>&1") }
BEGIN {
  show = "print SIGNAL[\"SIGQUIT\"], SIGNAL[\"SIGINT\"], SIGNAL[\"SIGHUP\"]"
  sh("trap '' QUIT INT; \"$VORN\" 'BEGIN { " show " }'")
  sh("trap '' QUIT INT; \"$VORN\" 'BEGIN { system(\"kill -QUIT $PPID\"); " show " }'")
}
