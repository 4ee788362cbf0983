# An empty subscript.
BEGIN { a[] = 1 }
