# Assignment to a constant.
BEGIN { 1 = 2 }
