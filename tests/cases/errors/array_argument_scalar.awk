# A builtin argument that must be an array.
BEGIN { split("a b", 1) }
