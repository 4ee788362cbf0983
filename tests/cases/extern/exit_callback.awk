# `exit` in a callback ends the run once the library returns: later calls
# of the callback run no AWK code and the statement after the call is not
# reached.
extern "libffitest.so" long call_each(void*, int)
function each(i) { print "callback", i; if (i == 2) exit 3; return i }
BEGIN { print call_each(registercallback("each"), 4); print "not reached" }
END { print "end" }
