# A program with only BEGIN code reads no input, even with file operands
# (the operand names a file that does not exist).
BEGIN { print "begin", ARGC, ARGV[1] }
