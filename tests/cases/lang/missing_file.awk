# An operand that cannot be opened is skipped with a warning and the exit
# status becomes 1; the other files are still read.
{ print FILENAME ~ /d1$/ ? "ok:" : "?", $0 }
END { print "end" }
