# A closing brace with no block to close.
BEGIN { print 1 } }
