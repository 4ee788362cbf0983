# Substring assignment needs a variable, field or element to change.
BEGIN { substr("abc", 1) = "x" }
