# A call of a function that is not defined anywhere.
BEGIN { f() }
