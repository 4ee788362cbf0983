// The debugger hook: before a statement runs, the armed debugger function
// is called with the running function's gid and the statement's line. The
// hook disarms itself; the debugger function re-arms it explicitly, so it
// never traces itself.
//
// The debugger function gets two arguments; when it declares more
// parameters, the rest are pushed uninitialized, as for every native call,
// so that it never addresses the traced function's cells as its own.
#include <algorithm>

#include "interp/frame.h"
#include "interp/interp.h"
#include "program/vm.h"
#include "diag/oops.h"

int16_t awk_debug_gid = 0;
int16_t awk_debug_caller = 0;


void awk_debughook() {
  int g = awk_debug_gid;
  awk_debug_gid = 0;
  AwkCode* code = awk_funaddr(g);
  const int nparams = std::clamp<int>(fnParamCount(code), 2, 255);
  if (awk_sp - (nparams + 2) <= awk_spmax) oops('f', msg_stackoverflow);
  cellSetUninit(--awk_sp);                      // result slot
  for (int i = nparams; i > 2; --i) cellSetUninit(--awk_sp);
  cellSetInt(--awk_sp, awk_linenumber & 0x7FFF);
  cellSetInt(--awk_sp, awk_fun_gid);
  awk_pushframe(Tag::FrameCall, 2, nparams);
  awk_fun_gid = int16_t(g);
  awk_interp(code);
  awk_popframe();
  for (int i = 0; i < nparams + 1; ++i) {
    if (awk_sp->tag > Tag::Float) awk_unaccess(awk_sp);
    ++awk_sp;
  }
}
