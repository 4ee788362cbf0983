# in with no array name after it.
BEGIN { x = 1 in }
