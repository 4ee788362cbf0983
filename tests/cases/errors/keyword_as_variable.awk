# Keywords cannot be assigned.
BEGIN { in = 1 }
BEGIN { getline = 1 }
