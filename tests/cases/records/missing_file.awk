# An operand that cannot be opened is reported and skipped; the exit
# status becomes 1.
{ print $0 }
