# Parsing as POSIX and the other AWKs do.
{ i = 1; print $+i++, i; $$0++; print }
{ $0 = "1 2 3"; a = 1; $$a++++; print $0, a }
{ "echo hi" | getline x y; print "[" x "]" y "."; "echo a b" | getline line " tail"; print line }
{ print ("echo two" | getline > 0), $0 }
END { if (1 && v = 2) print v, (0 || w = 3), w, (1 < t = 2), t }
