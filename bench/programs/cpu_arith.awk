# CPU-bound: a loop of integer and float arithmetic.
BEGIN {
    for (i = 0; i < 3000000; i++) { s += i * 2 - 1; f += i / 3 }
    printf "%d %.4f\n", s, f
}
