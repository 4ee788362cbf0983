# A function defined twice.
function f() { }
function f(x) { }
