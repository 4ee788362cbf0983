// Calls into AWK functions from native code, call by name, and the frame
// builtins argcount and argval.
//
// Every native entry builds the same frame op_call builds: a result slot,
// the parameter cells last to first, then a frame cell (tag 31) recording
// the caller's line, function and frame. After the callee returns the
// frame, the parameters and the result slot are popped in that order, and
// the caller's awk_retval is restored (a builtin calling back into AWK
// keeps its own result cell).
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "arrays/table.h"
#include "builtins/btable.h"
#include "image/format.h"
#include "interp/frame.h"
#include "interp/interp.h"
#include "interp/services.h"
#include "program/vm.h"
#include "diag/oops.h"
#include "program/symtab.h"
#include "values/convert.h"

namespace gid = vorn::image::gid;


namespace {

inline void release(Cell* c) {
  if (c->tag > Tag::Float) awk_unaccess(c);
}

inline void copyCell(Cell* dst, const Cell* src) {
  *dst = *src;
  if (dst->tag > Tag::Float) awk_access(dst);
}

// Ends the run unless `need` more cells fit above the low-water mark.
inline void needCells(int need) {
  if (awk_sp - need <= awk_spmax) oops('f', msg_stackoverflow);
}

// Runs gid in a native frame over the nparams parameter cells just pushed,
// then pops the parameters. The result slot stays on top.
void runNative(int gid, int nargs, int nparams) {
  if (awk_sp <= awk_spmax) oops('f', msg_stackoverflow);
  awk_pushframe(Tag::FrameNative, nargs, nparams);
  awk_fun_gid = int16_t(gid);
  awk_interp(awk_funaddr(gid));
  awk_popframe();
  for (int i = 0; i < nparams; ++i) release(awk_sp + i);
  awk_sp += nparams;
}

// Takes the word of the result slot on top and pops it.
int32_t popResultWord() {
  Cell* r = awk_sp;
  int32_t w = r->tag == Tag::Int ? r->w.i : int32_t(r->w.word);
  release(r);
  ++awk_sp;
  return w;
}

}  // namespace

// The native entries push at least as many parameter cells as the callee
// declares (uninitialized beyond those supplied), as awkin does: a function
// reads its parameters at fixed offsets above its frame, which must not be
// the caller's cells.
int32_t awki0(int gid) {
  Cell* saved = awk_retval;
  const int n = std::min<int>(fnParamCount(awk_funaddr(gid)), 255);
  needCells(n + 1);
  cellSetUninit(--awk_sp);
  for (int i = 0; i < n; ++i) cellSetUninit(--awk_sp);
  runNative(gid, 0, n);
  int32_t w = popResultWord();
  awk_retval = saved;
  return w;
}

int32_t awki4(int gid, int argc, int32_t a1, int32_t a2, int32_t a3, int32_t a4) {
  if (gid == 0) {
    oops('e', "Attempt to call unregistered call back function");
    return 0;
  }
  Cell* saved = awk_retval;
  const int n = std::min<int>(std::max<int>(4, fnParamCount(awk_funaddr(gid))), 255);
  needCells(n + 1);
  cellSetUninit(--awk_sp);
  for (int i = n; i > 4; --i) cellSetUninit(--awk_sp);
  const int32_t a[4] = {a1, a2, a3, a4};
  for (int i = 3; i >= 0; --i) cellSetInt(--awk_sp, a[i]);
  runNative(gid, argc, n);
  int32_t w = popResultWord();
  awk_retval = saved;
  return w;
}

void awkin(int gid, int argc, Cell* args, Cell* out) {
  Cell* saved = awk_retval;
  int n = std::max<int>(argc, fnParamCount(awk_funaddr(gid)));
  n = std::min(n, 255);  // the frame records the count in one byte
  needCells(n + 1);
  cellSetUninit(--awk_sp);
  for (int i = n; i >= 1; --i) {
    --awk_sp;
    if (i <= argc) copyCell(awk_sp, &args[i - 1]);
    else cellSetUninit(awk_sp);
  }
  runNative(gid, std::min(argc, 255), n);
  if (out) {
    *out = *awk_sp;  // moved
  } else {
    release(awk_sp);
  }
  ++awk_sp;
  awk_retval = saved;
}


// ---- call by name ------------------------------------------------------------

namespace {

// Records a coded message naming `name` unless one is recorded already.
void setMessage(char* message, const char* fmt, const char* name) {
  if (message[0]) return;
  std::snprintf(message, kCallMessageSize, fmt, name);
}

// Calls builtin `slot` with the arguments converted by the type word of its
// symbol record, as a compiled call would have them.
void callBuiltin(const char* name, int slot, const AwkSymRecord& rec, int argc, Cell* args,
                 char* message) {
  uint16_t flags = awk_symword(rec, 8);
  if (!(flags & vorn::image::kBuiltinCallable)) {
    setMessage(message, "w:Function %s can not be called at runtime", name);
    return;
  }
  uint16_t counts = awk_symword(rec, 10);
  uint32_t types = awk_symword(rec, 12);
  int minArgs = counts >> 12, maxArgs = (counts >> 8) & 15;
  int n = argc;
  if (argc < minArgs) {
    setMessage(message, "n:too few params for function %s, extras supplied", name);
    n = minArgs;
  } else if (maxArgs < 15 && argc > maxArgs) {
    setMessage(message, "n:too many params for function %s, extras ignored", name);
    n = maxArgs;
  }
  needCells(n);
  // Argument i's type code is 3 bits of the type word, argument 1 in the
  // lowest; the word holds five codes, later arguments share the last bits.
  Cell* top = awk_sp - n;
  for (int i = n - 1; i >= 0; --i) {
    int code = int(types >> (3 * std::min(i, 5))) & 7;
    Cell* c = top + i;
    Cell none;
    cellSetUninit(&none);
    const Cell* src = i < argc ? &args[i] : &none;
    switch (code) {
      case 0: copyCell(c, src); break;
      case 1: cellSetInt(c, awk_a2l(src)); break;
      case 2: awk_cvtf(src, c); break;
      case 3: cellSetString(c, awk_a2s(src)); break;
      case 5:
        if (src->tag == Tag::Array) {
          copyCell(c, src);
        } else {
          c->tag = Tag::Array;
          c->w.word = 0;
          c->w.t = awk_sanew(4);
          if (!message[0]) {
            std::snprintf(message, kCallMessageSize,
                          "n:non-array argument %d to function %s ignored", i + 1, name);
          }
        }
        break;
      default: cellSetUninit(c); break;  // reference, pattern, stream: nothing to convert
    }
    // Each converted cell becomes part of the stack at once, so that a
    // diagnostic raised by the next conversion sees a consistent stack.
    awk_sp = c;
  }
  awk_b_table[slot](std::min(argc, n), awk_sp);
  for (int i = 0; i < n; ++i) release(awk_sp + i);
  awk_sp += n;
}

}  // namespace

void awk_callname(const char* name, int argc, Cell* args, char* message) {
  uint32_t recaddr = 0;
  int g = awk_gname2gid(name, &recaddr);
  if (g == 0) {
    setMessage(message, "w:call() function name '%s' not found", name);
    return;
  }
  if (g >= gid::kFunctionFirst && g <= gid::kFunctionLast) {
    // The callee's result lands in the builtin's result cell.
    Cell* out = awk_retval;
    release(out);
    cellSetUninit(out);
    awkin(g, argc, args, out);
    return;
  }
  if (g >= gid::kExternFirst && g <= gid::kExternLast) {
    const unsigned char* desc = vm_v2pcode(awk_externtab[g - gid::kExternFirst]);
    int n = int(vorn::image::be32(desc) >> 25);
    if (argc < n) {
      if (!message[0])
        std::snprintf(message, kCallMessageSize, "w:function %s requires %d params", name, n);
      return;
    }
    if (argc > n) {
      setMessage(message, "n:too many params for function %s, extras ignored", name);
      argc = n;
    }
    // A made-up operand as op_cfun carries it: the count byte, a zero byte,
    // then the extern id as a native 16-bit unit.
    unsigned char operand[4] = {uint8_t(argc), 0, 0, 0};
    int16_t id = int16_t(g);
    std::memcpy(operand + 2, &id, 2);
    svcCfun(operand, awk_retval, args);
    return;
  }
  if (g < gid::kBuiltinFirst || g > gid::kBuiltinLast) {
    setMessage(message, "w:call() function name '%s' not found", name);
    return;
  }
  callBuiltin(name, g, awk_symrecord(recaddr), argc, args, message);
}

// Reports a coded call message: its first character is the code.
static void reportCallMessage(const char* message) {
  if (message[0]) oops(message[0], "%s", message + 2);
}

static const char* nameOf(const Cell* c, AwkString** hold) {
  *hold = awk_a2s(c);
  return (*hold)->text();
}

void b_call(int argc, Cell* args) {
  if (argc < 1) awk_assert2(0x2330);
  char message[kCallMessageSize] = "";
  AwkString* hold;
  const char* name = nameOf(&args[0], &hold);
  awk_callname(name, argc - 1, args + 1, message);
  stringFree(hold);
  reportCallMessage(message);
}

void b_calla(int argc, Cell* args) {
  if (argc < 2) awk_assert2(0x2331);
  char message[kCallMessageSize] = "";
  if (args[1].tag != Tag::Array) {
    std::snprintf(message, sizeof message, "w:calla argument not an array");
  } else if (awk_tablength(args[1].w.t) >= 128) {
    std::snprintf(message, sizeof message, "w:more than 127 elements in calla array");
  } else {
    Cell vec[127];
    int n = 0;
    while (n < 127 && awk_getarray(&args[1], n + 1, &vec[n])) ++n;
    AwkString* hold;
    const char* name = nameOf(&args[0], &hold);
    awk_callname(name, n, vec, message);
    stringFree(hold);
    for (int i = 0; i < n; ++i) {
      if (vec[i].tag > Tag::Float) awk_unaccess(&vec[i]);
    }
  }
  if (argc < 3) {
    reportCallMessage(message);
    return;
  }
  Cell v;
  if (message[0]) cellSetString(&v, stringNew(message));
  else cellSetUninit(&v);
  awk_setref(&args[2], &v);
}

// The frame the running builtin was called from must be an AWK call frame.
static Cell* callFrame() {
  if (!awk_fp) awk_assert2(0x3300);
  if (awk_fp->tag != Tag::FrameCall && awk_fp->tag != Tag::FrameNative) awk_assert2(0x3302);
  return awk_fp;
}

void b_argcount(int, Cell*) { cellSetInt(awk_retval, callFrame()->aux8a); }

void b_argval(int argc, Cell* args) {
  if (argc < 1) return;
  Cell* f = callFrame();
  int32_t n = args[0].tag == Tag::Int ? args[0].w.i : awk_a2l(&args[0]);
  if (n >= 1 && n <= f->aux8a) copyCell(awk_retval, f + n);
}

[[noreturn]] void awk_nosvc(const char* name) {
  oops('I', "service %s is not available", name);
  awk_assert2(0x2311);  // oops does not return for I
}
