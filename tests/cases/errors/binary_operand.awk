# An operator with no right operand.
BEGIN { print 1 +* 2 }
