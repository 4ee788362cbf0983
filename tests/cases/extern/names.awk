# extern declarations reach C functions in shared libraries: with
# "library:function" (the AWK name may differ), with a library only (the
# function has the declared name), or with no library (searched along
# DLLS). A char* parameter takes a string, a pointer parameter takes a
# variable that the function may change, and call() reaches an extern by
# its AWK name.
extern "libc.so.6:strlen" long c_strlen(char*)
extern "libc.so.6" int abs(int)
extern "libm.so.6:pow" double power(double, double)
extern "libc.so.6:toupper" int up(int)
extern "libm.so.6" double frexp(double, int*)
extern long labs(long)
BEGIN {
  print c_strlen("hello"), abs(-42), power(2, 10), up(97)
  m = frexp(8, e); print m, e
  print call("c_strlen", "abcd")
  DLLS = "libc.so.6"
  print labs(-7)
}
