# A function name used as a variable.
function f() { }
BEGIN { f = 1 }
