# A subscript missing its ']'.
BEGIN { print a[1 }
