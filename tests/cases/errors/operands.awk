# Operands of the wrong kind.
BEGIN { split("a b", 1) }
BEGIN { x = (1, 2) }
BEGIN { sub(/a/, "b", "c") }
BEGIN { substr("abc", 1) = "x" }
