# Deleting every other key of a million string keys.
BEGIN {
    for (i = 0; i < 1000000; i++) a["k" i] = i
    for (i = 0; i < 1000000; i += 2) delete a["k" i]
    print length(a)
}
