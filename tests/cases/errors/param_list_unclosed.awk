# A parameter list missing its ')'.
function f(a { }
