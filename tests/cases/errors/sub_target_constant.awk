# The target of sub must be assignable.
BEGIN { sub(/a/, "b", "c") }
