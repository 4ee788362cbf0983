// pack and unpack: the builtin wrappers around the packing engine.
//
// unpack reads its data from a string or field, from the string an address
// value refers to, or from a memory address given as a number. Memory at a
// numeric address is copied through the memory probe first, in growing
// windows (4 KiB, 64 KiB, 1 MiB) while the format still wants more and more
// is readable, so an unreadable address is a warning and a short one simply
// ends the data.
#include <cmath>
#include <vector>

#include "arrays/table.h"
#include "builtins/btable.h"
#include "builtins/memprobe.h"
#include "builtins/pack.h"
#include "diag/oops.h"

namespace {

// The address a numeric data argument names; 0 when it names none.
uintptr_t numericAddress(const Cell& c) {
  if (c.tag == Tag::Int) return uintptr_t(uint32_t(c.w.i));
  if (c.tag == Tag::RawPointer) return reinterpret_cast<uintptr_t>(c.w.p);
  double d = c.x.d;   // Tag::Float: addresses past 32 bits
  if (!(d > 0 && d < 9007199254740992.0) || std::floor(d) != d) return 0;
  return uintptr_t(d);
}

void unpackMemory(const AwkString* fmt, uintptr_t addr, Cell* arr) {
  static constexpr size_t kWindows[] = {4096, 65536, 1 << 20};
  std::vector<unsigned char> copy;
  for (size_t window : kWindows) {
    copy.resize(window);
    size_t got = addr ? awk_memread(addr, copy.data(), window) : 0;
    if (got == 0) {
      oops('w', "invalid value supplied to unpack()");
      return;
    }
    awk_stclear(arr->w.t);
    if (!awk_unpack(fmt->text(), fmt->len, copy.data(), got, arr->w.t) || got < window)
      return;
  }
}

}  // namespace

void b_pack(int argc, Cell* args) {
  if (argc < 1 || !cellIsStringy(&args[0])) awk_assert2(0x8401);
  Cell* array = argc >= 2 && args[1].tag == Tag::Array ? &args[1] : nullptr;
  const AwkString* fmt = args[0].w.s;
  cellSetString(awk_retval, awk_pack(fmt->text(), fmt->len, args + 1, argc - 1, array));
}

void b_unpack(int argc, Cell* args) {
  if (argc != 3 || !cellIsStringy(&args[0])) awk_assert2(0x8402);
  if (args[2].tag != Tag::Array) awk_assert2(0x8403);
  const AwkString* fmt = args[0].w.s;
  Cell& data = args[1];
  switch (data.tag) {
    case Tag::String: case Tag::Field: case Tag::VmString: case Tag::VmField:
    case Tag::Address:
      awk_stclear(args[2].w.t);
      awk_unpack(fmt->text(), fmt->len, reinterpret_cast<const unsigned char*>(data.w.s->text()),
                 data.w.s->len, args[2].w.t);
      return;
    case Tag::Int: case Tag::Float: case Tag::RawPointer:
      unpackMemory(fmt, numericAddress(data), &args[2]);
      return;
    default:
      oops('w', "invalid value supplied to unpack()");
  }
}
