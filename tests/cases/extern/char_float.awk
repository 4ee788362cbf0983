# A float passed as char* is an error that ends the run; a void* takes it
# as an address.
extern "libffitest.so:same_string" void* as_void(void*)
extern "libc.so.6:strlen" long len(char*)
BEGIN {
  printf "%.0f\n", as_void(5000000000)
  print len(2.5)
  print "not reached"
}
