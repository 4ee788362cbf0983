# The warnings and notes of external calls and callbacks: each leaves the
# call (or registration) undone or converts anyway, and the run goes on.
extern "libnothere.so:f" int missing_lib()
extern "libc.so.6:no_such_function" int missing_fn()
extern int no_such_function_anywhere()
extern long labs(long)
extern "libc.so.6:strlen" long len(char*)
extern "libffitest.so" int char_code(char)
extern "libffitest.so:same_string" void* as_pointer(char*)
extern "libc.so.6:frexp" double frexp_i(double, int*)
extern "libc.so.6:modf" double modf_d(double, double*)
extern "libffitest.so" float half_float(float*)
function f1() {}
function f2() {}
function f3() {}
BEGIN {
  r = missing_lib(); r = missing_fn(); r = no_such_function_anywhere()
  print typeof(r)
  print as_pointer(0), as_pointer(5)
  a[1] = 1; print char_code(a)
  s = "x"; frexp_i(1, s); print s
  s = "x"; modf_d(1.5, s); print s
  s = "x"; half_float(s); print s
  call("len")
  print typeof(addressof(42))
  print typeof(registercallback("no_function")), typeof(registercallback("len"))
  c1 = registercallback("f1"); c2 = registercallback("f2"); c3 = registercallback("f3")
  print (c1 != c2 && c2 != c3 && c1 != c3), typeof(registercallback("f1"))
  print unregistercallback("f2"), unregistercallback("f2"), unregistercallback("nothing")
  print registercallback("f1") == c2
  print typeof(peek(12345)), typeof(peek(-1))
  saved = DLLS; DLLS = "%%garbage%% /no/such/lib.so \001 libc.so"
  print typeof(labs(-3))
  DLLS = saved
  print labs(-3)
}
