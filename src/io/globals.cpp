// Definitions of the run-time globals declared in io/globals.h. The string
// globals start null and receive their values from the special-variable
// initialisation at start-up.
#include "io/globals.h"

AwkString* awk_ofs = nullptr;
AwkString* awk_ors = nullptr;
AwkString* awk_subsep = nullptr;
AwkString* awk_filename = nullptr;
AwkString* awk_tmpdir = nullptr;
AwkString* awk_dlls = nullptr;

int32_t awk_reclen = kNoLimit;
int32_t awk_rawmode = 7;
int32_t awk_sorttype = 1;
int32_t awk_miscflags = 0;
