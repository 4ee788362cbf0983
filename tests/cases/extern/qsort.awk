# qsort sorts a C int array with a comparison written in AWK: the callback
# receives two 64-bit pointers into the array and reads the ints with peek.
extern "libffitest.so" int ints_parse(void*, int, char*)
extern "libc.so.6" void qsort(void*, long, long, void*)
function int_at(p,    v) {
  v = peek(p) + 256 * peek(p + 1) + 65536 * peek(p + 2) + 16777216 * peek(p + 3)
  return v >= 2147483648 ? v - 4294967296 : v
}
function descending(a, b,    x, y) { calls++; x = int_at(a); y = int_at(b); return (x < y) - (x > y) }
BEGIN {
  buf = sprintf("%40s", "")
  p = addressof(buf)
  n = ints_parse(p, 10, "42 -7 1000000 3 0 -2147483648 99 5")
  cmp = registercallback("descending")
  qsort(p, n, 4, cmp)
  for (i = 0; i < n; i++) printf "%d%s", int_at(p + 4 * i), i < n - 1 ? " " : "\n"
  print n, (calls > 0), (cmp > 2147483647)
}
