# Two parameters of one function with the same name.
function f(a, a) { }
