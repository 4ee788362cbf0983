# Assignment to a parenthesized expression.
BEGIN { (x) = 2 }
