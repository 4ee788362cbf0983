# A million-key array built and iterated.
BEGIN {
    for (i = 0; i < 1000000; i++) a[i] = i
    for (k in a) s += a[k]
    print length(a), s
}
