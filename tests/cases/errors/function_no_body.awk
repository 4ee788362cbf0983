# A function header with no body.
function f(a)
