# A by-reference parameter needs a variable, field or element, not a value.
function g(&a) { a = 1 }
BEGIN { g(1); g(x + 1) }
