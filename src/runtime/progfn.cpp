// The source file named in the location piece of messages.
#include "interp/interp.h"
#include "runtime/oops.h"
#include "runtime/symtab.h"

AwkString* awk_getprogfn() {
  if ((awk_linenumber & 0x7FFF) == 0 || awk_fun_gid == 0) return nullptr;
  return awk_gid2filename(awk_fun_gid);
}
