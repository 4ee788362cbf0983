# & needs a parameter name after it.
function f(a, &) { }
