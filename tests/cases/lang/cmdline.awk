# The vorn command line: -F sets FS, -v assigns before BEGIN, and an
# assignment operand takes effect when the record reader reaches it, just
# before the file after it is read; ARGV keeps both operands.
BEGIN { print x, "[" y "]", ARGC, ARGV[1], (ARGV[2] ~ /cmdline\.d1$/) }
{ print $2, y }
END { print NR, FS }
