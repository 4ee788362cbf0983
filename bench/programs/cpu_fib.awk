# CPU-bound: recursive function calls, fib(27) four times.
function fib(n) { return n < 2 ? n : fib(n - 1) + fib(n - 2) }
BEGIN { for (i = 0; i < 4; i++) r = fib(27); print r }
