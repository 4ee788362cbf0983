# A typed parameter with a type that does not exist.
function f(n: bogus) { }
