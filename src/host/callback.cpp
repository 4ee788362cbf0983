// Callbacks: three C entry points that forward to AWK functions.
//
// registercallback binds an AWK function to the first free slot and hands
// out the address of that slot's entry point; C code that calls it runs
// the function on the one evaluation stack through the native call entry,
// re-entering the interpreter that is still inside the external call.
//
// The entry points take four 64-bit words, so that a caller passing
// pointers (qsort's comparison) loses nothing; a caller passing fewer
// arguments leaves garbage in the rest, which the function may ignore. A
// word reaches AWK as a number: the low half as an int when the high half
// is clear or only extends the sign (how C callers pass an int), else the
// whole word as a float (an address). The AWK result goes back as a C long,
// so a caller reading an int gets its low half.
#include <cstring>

#include "host/extern.h"
#include "image/format.h"
#include "diag/oops.h"
#include "program/runstate.h"
#include "program/symtab.h"
#include "values/convert.h"

int16_t awk_callbacks[kCallbackSlots];
void (*awk_callawk)(int gid, int argc, Cell* args, Cell* out) = nullptr;

namespace {

namespace gid = vorn::image::gid;

void wordNumber(uint64_t w, Cell* out) {
  const int32_t low = int32_t(uint32_t(w));
  if ((w >> 32) == 0 || int64_t(w) == int64_t(low)) cellSetInt(out, low);
  else cellSetFloat(out, double(int64_t(w)), 0);
}

long forward(int slot, uint64_t a, uint64_t b, uint64_t c, uint64_t d) {
  const int g = awk_callbacks[slot];
  if (g == 0) {
    oops('e', "Attempt to call unregistered call back function");
    return 0;
  }
  // After `exit` or `next` in an earlier call the AWK code is unwinding:
  // the library gets 0 until it returns.
  if (awk_gt_conditions) return 0;
  Cell args[4];
  const uint64_t words[4] = {a, b, c, d};
  for (int i = 0; i < 4; ++i) wordNumber(words[i], &args[i]);
  Cell out;
  cellSetUninit(&out);
  awk_callawk(g, 4, args, &out);
  long r = out.tag == Tag::Int ? out.w.i : long(awk_a2ll(&out));
  cellRelease(&out);
  return r;
}

bool isFunction(int g) { return g >= gid::kFunctionFirst && g <= gid::kFunctionLast; }

int nameGid(const Cell* c) {
  AwkString* name = awk_a2s(c);
  int g = awk_gname2gid(name->view());
  stringFree(name);
  return g;
}

}  // namespace

extern "C" {
long awk_callback1(uint64_t a, uint64_t b, uint64_t c, uint64_t d) { return forward(0, a, b, c, d); }
long awk_callback2(uint64_t a, uint64_t b, uint64_t c, uint64_t d) { return forward(1, a, b, c, d); }
long awk_callback3(uint64_t a, uint64_t b, uint64_t c, uint64_t d) { return forward(2, a, b, c, d); }
}

void b_registercallback(int argc, Cell* args) {
  using Entry = long (*)(uint64_t, uint64_t, uint64_t, uint64_t);
  static const Entry entries[kCallbackSlots] = {awk_callback1, awk_callback2, awk_callback3};
  if (argc < 1) awk_assert2(0x9200);
  const int g = nameGid(&args[0]);
  if (!isFunction(g)) {
    oops('w', "unrecognized function name");
    return;
  }
  for (int i = 0; i < kCallbackSlots; ++i) {
    if (awk_callbacks[i] != 0) continue;
    awk_callbacks[i] = int16_t(g);
    awk_u64num(reinterpret_cast<uintptr_t>(entries[i]), awk_retval);
    return;
  }
  oops('w', "Too many call back functions registered");
}

// A name that is no function frees nothing (its gid 0 would match a free
// slot).
void b_unregistercallback(int argc, Cell* args) {
  if (argc < 1) awk_assert2(0x9201);
  const int g = nameGid(&args[0]);
  int freed = 0;
  for (int i = 0; isFunction(g) && i < kCallbackSlots; ++i) {
    if (awk_callbacks[i] == g) {
      awk_callbacks[i] = 0;
      freed = 1;
      break;
    }
  }
  cellSetInt(awk_retval, freed);
}
