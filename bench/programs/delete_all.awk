# Deleting every key of a 500,000-key array, one at a time.
BEGIN {
    for (i = 0; i < 500000; i++) a["k" i] = i
    for (i = 0; i < 500000; i++) delete a["k" i]
    print length(a)
}
