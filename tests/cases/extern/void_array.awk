# An array passed as void* is an error that ends the run.
extern "libffitest.so:same_string" void* as_void(void*)
BEGIN {
  a[1] = 1
  print as_void(a)
  print "not reached"
}
