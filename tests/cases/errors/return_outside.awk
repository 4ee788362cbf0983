# return outside a function.
BEGIN { return 1 }
