# Function and parameter definitions that are malformed.
function f(a, a) { }
function length() { }
function (a) { }
function f(a, &) { }
static function { }
function f(n: bogus) { }
BEGIN { function f() {} }
