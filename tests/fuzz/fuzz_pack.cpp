// Drives pack and unpack with arbitrary formats, values and data. The first
// input byte picks the value shapes, the bytes up to the first newline are
// the format, the rest is the data. Whatever the input, both directions
// must finish without a fault; unpacking what pack built must also finish,
// and the packed result never passes the size limit.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "arrays/table.h"
#include "builtins/pack.h"
#include "values/convert.h"
#include "values/strobj.h"

namespace {

// Counts are lowered to 2147480000 at most; packing that many values would
// only measure the allocator, so pack sees formats with short counts.
bool shortCounts(const std::string& fmt) {
  int run = 0;
  for (char c : fmt) {
    run = (c >= '0' && c <= '9') ? run + 1 : 0;
    if (run > 5) return false;
  }
  return true;
}

Cell valueFrom(const uint8_t* p, size_t n, int shape) {
  Cell c{};
  switch (shape % 4) {
    case 0: cellSetInt(&c, n >= 4 ? int32_t(p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24) : 0); break;
    case 1: {
      double d = 0;
      if (n >= 8) std::memcpy(&d, p, 8);
      cellSetFloat(&c, d, kUnlimitedDecimals);
      break;
    }
    case 2: cellSetString(&c, stringNew1(p, uint32_t(n < 12 ? n : 12))); break;
    default: cellSetUninit(&c); break;
  }
  return c;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  string_empty = stringNew("");
  awk_convinit();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const int shape = data[0];
  const uint8_t* nl = static_cast<const uint8_t*>(std::memchr(data + 1, '\n', size - 1));
  const uint8_t* fmtEnd = nl ? nl : data + size;
  std::string fmt(reinterpret_cast<const char*>(data + 1), size_t(fmtEnd - data - 1));
  const uint8_t* body = nl ? nl + 1 : data + size;
  const size_t bodyLen = size_t(data + size - body);

  Cell arr{};
  arr.tag = Tag::Array;
  arr.w.t = awk_sanew(4);
  awk_unpack(fmt.data(), uint32_t(fmt.size()), body, bodyLen, arr.w.t);

  if (shortCounts(fmt)) {
    Cell values[8];
    for (int i = 0; i < 8; ++i) {
      size_t at = bodyLen ? size_t(i) * 8 % bodyLen : 0;
      values[i] = valueFrom(body + at, bodyLen - at, shape + i);
    }
    Cell* source = (shape & 0x80) ? &arr : nullptr;
    AwkString* packed = awk_pack(fmt.data(), uint32_t(fmt.size()), values, 8, source);
    if (packed->len > kPackLimit) std::abort();
    awk_stclear(arr.w.t);
    awk_unpack(fmt.data(), uint32_t(fmt.size()),
               reinterpret_cast<const unsigned char*>(packed->text()), packed->len, arr.w.t);
    stringFree(packed);
    for (Cell& v : values) cellRelease(&v);
  }
  awk_safree(arr.w.t);
  return 0;
}
