# CPU-bound: recursive calls, integer and float arithmetic, concatenation.
function fib(n) { return n < 2 ? n : fib(n - 1) + fib(n - 2) }
BEGIN {
    print fib(27)
    for (i = 0; i < 3000000; i++) { s += i * 2 - 1; f += i / 3 }
    printf "%d %.4f\n", s, f
    for (i = 0; i < 200000; i++) { t = "x" i; n += length(t) }
    print n
}
