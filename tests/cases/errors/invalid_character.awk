# A character that starts no token, and a control byte.
BEGIN { x = 1 @ 2 }
BEGIN {  }
