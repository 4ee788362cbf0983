// Run-time globals behind the special variables (served by their handlers)
// that many layers read directly. CONVFMT and OFMT live with the
// conversions (values/convert.h).
#pragma once
#include <cstdint>

#include "diag/position.h"
#include "values/convert.h"
#include "values/strobj.h"

extern AwkString* awk_ofs;       // OFS
extern AwkString* awk_ors;       // ORS
extern AwkString* awk_subsep;    // SUBSEP
extern AwkString* awk_filename;  // FILENAME
extern AwkString* awk_tmpdir;    // TMPDIR
extern AwkString* awk_dlls;      // DLLS

extern int32_t awk_reclen;       // RECLEN (2147480000 = no limit)
extern int32_t awk_rawmode;      // RAWMODE
extern int32_t awk_sorttype;     // SORTTYPE
extern int32_t awk_miscflags;

// The number that stands for "no limit" on lengths: the string limit.
inline constexpr int32_t kNoLimit = kStringLimit;
