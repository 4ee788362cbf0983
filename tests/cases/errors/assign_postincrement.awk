# Assignment to the value of x++.
BEGIN { x++ = 3 }
