# An external function called with the wrong number of arguments.
extern "libc.so.6" int abs(int)
BEGIN { abs(1, 2) }
