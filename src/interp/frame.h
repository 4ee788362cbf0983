// Frame cells: pushing and popping the frame of one AWK call. Shared by the
// dispatch loop, the native call entries and the debugger hook, which all
// build the same frame.
#pragma once
#include <cstdint>

#include "values/cell.h"
#include "interp/interp.h"

// Frame cells store the caller's frame as a byte offset from the stack base.
inline intptr_t awk_frameoffset(const Cell* fp) {
  return reinterpret_cast<const char*>(fp) - reinterpret_cast<const char*>(awk_stackbase);
}
inline Cell* awk_frameat(intptr_t off) {
  return reinterpret_cast<Cell*>(reinterpret_cast<char*>(awk_stackbase) + off);
}

// Pushes a frame cell recording the caller (line, function, frame) and
// makes it current. The caller has checked the stack and sets awk_fun_gid.
inline void awk_pushframe(Tag tag, int nargs, int nparams) {
  Cell* f = --awk_sp;
  f->tag = tag;
  f->aux8a = uint8_t(nargs);
  f->aux8b = uint8_t(nparams);
  f->aux16a = int16_t(awk_linenumber);
  f->aux16b = uint16_t(awk_fun_gid);
  f->w.word = 0;
  f->x.word2 = awk_frameoffset(awk_fp);
  awk_linenumber = 0;
  awk_fp = f;
}

// Pops the current frame cell and restores the caller's line, function
// and frame; the stack is left at the cell above the frame.
inline void awk_popframe() {
  Cell* f = awk_fp;
  awk_linenumber = f->aux16a;
  awk_fun_gid = int16_t(f->aux16b);
  awk_fp = awk_frameat(f->x.word2);
  awk_sp = f + 1;
}
