# An assignment with nothing on its right.
BEGIN { x = }
