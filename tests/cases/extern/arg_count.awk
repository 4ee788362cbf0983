# A call with the wrong number of arguments is refused when compiling.
extern "libc.so.6" int abs(int)
BEGIN { print abs(1, 2) }
