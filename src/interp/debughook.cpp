// The debugger hook: before a statement runs, the armed debugger function
// is called with the running function's gid and the statement's line. The
// hook disarms itself; the debugger function re-arms it explicitly, so it
// never traces itself.
#include "interp/frame.h"
#include "interp/interp.h"
#include "program/vm.h"
#include "diag/oops.h"

int16_t awk_debug_gid = 0;
int16_t awk_debug_caller = 0;


void awk_debughook() {
  int g = awk_debug_gid;
  awk_debug_gid = 0;
  cellSetUninit(--awk_sp);                      // result slot
  cellSetInt(--awk_sp, awk_linenumber & 0x7FFF);
  cellSetInt(--awk_sp, awk_fun_gid);
  if (awk_sp <= awk_spmax) oops('f', msg_stackoverflow);
  awk_pushframe(Tag::FrameCall, 2, 2);
  awk_fun_gid = int16_t(g);
  awk_interp(awk_funaddr(g));
  awk_popframe();
  for (int i = 0; i < 3; ++i) {
    if (awk_sp->tag > Tag::Float) awk_unaccess(awk_sp);
    ++awk_sp;
  }
}
