# Builtins called with too few and too many arguments.
BEGIN { print substr("a") }
BEGIN { print length(a, b) }
BEGIN { print index("a") }
