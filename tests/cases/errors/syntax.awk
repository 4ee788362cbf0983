# Syntax errors: every rule reports its own.
BEGIN { 1 = 2 }
BEGIN { (x) = 2 }
BEGIN { x = }
BEGIN { x++ = 3 }
BEGIN { print 1 +* 2 }
BEGIN { break }
END { continue }
BEGIN { x = 1 ? 2 }
BEGIN { delete }
BEGIN { delete 1 }
BEGIN { do print 1 }
BEGIN { $ }
BEGIN { ++ }
BEGIN { if (1) else print }
BEGIN { else print }
BEGIN { for (k in ) print k }
BEGIN { for (i = 0; i < 3 i++) print i }
BEGIN { getline < }
BEGIN { if (x) }
BEGIN { if x print }
BEGIN { x = 1 in }
BEGIN { in = 1 }
BEGIN { getline = 1 }
BEGIN { next }
END { next }
BEGIN { print > }
BEGIN { printf }
BEGIN { a[] = 1 }
BEGIN { x = 1 @ 2 }
BEGIN {  }
