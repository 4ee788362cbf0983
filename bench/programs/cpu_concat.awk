# CPU-bound: string concatenation, numbers converted to strings.
BEGIN {
    for (i = 0; i < 1000000; i++) { t = "x" i; n += length(t) }
    s = ""
    for (i = 0; i < 30000; i++) s = s "ab"
    print n, length(s)
}
