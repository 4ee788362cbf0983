# A library that calls a callback after it was freed: the error ends the
# run. Before that, the callback ran while registered.
extern "libffitest.so" void keep_callback(void*)
extern "libffitest.so" long call_kept(int)
function twice(x) { return 2 * x }
BEGIN {
  keep_callback(registercallback("twice"))
  print call_kept(21)
  print unregistercallback("twice")
  print call_kept(1)
  print "not reached"
}
