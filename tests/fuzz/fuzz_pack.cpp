// pack and unpack over arbitrary formats, values and data: the first byte
// picks the value shapes, the bytes up to the first newline are the format,
// the rest is the data. Both directions, and unpacking what pack built,
// must finish without a fault, and nothing packed passes the size limit.
#include <cstdlib>
#include <cstring>
#include <string>

#include "arrays/table.h"
#include "builtins/pack.h"
#include "values/convert.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  string_empty = stringNew("");
  awk_convinit();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t* nl = static_cast<const uint8_t*>(std::memchr(data + 1, '\n', size - 1));
  const std::string fmt(reinterpret_cast<const char*>(data + 1), size_t((nl ? nl : data + size) - data - 1));
  const uint8_t* body = nl ? nl + 1 : data + size;
  const size_t len = size_t(data + size - body);
  Cell arr{};
  arr.tag = Tag::Array;
  arr.w.t = awk_sanew(4);
  awk_unpack(fmt.data(), uint32_t(fmt.size()), body, len, arr.w.t);
  // Counts reach 2147480000 (digits may be split by modifiers); packing that
  // many values measures only the allocator: pack gets at most 6 digits.
  int digits = 0;
  for (char c : fmt) digits += c >= '0' && c <= '9';
  if (digits <= 6) {
    Cell v[8];
    for (int i = 0; i < 8; ++i) {
      size_t at = len ? size_t(i) * 8 % len : 0, n = len - at;
      int32_t word = 0;
      double d = 0;
      std::memcpy(&word, body + at, n < 4 ? n : 4);
      std::memcpy(&d, body + at, n < 8 ? n : 8);
      switch ((data[0] + i) % 4) {
        case 0: cellSetInt(&v[i], word); break;
        case 1: cellSetFloat(&v[i], d, kUnlimitedDecimals); break;
        case 2: cellSetString(&v[i], stringNew1(body + at, uint32_t(n < 12 ? n : 12))); break;
        default: cellSetUninit(&v[i]);
      }
    }
    AwkString* packed = awk_pack(fmt.data(), uint32_t(fmt.size()), v, 8, (data[0] & 0x80) ? &arr : nullptr);
    if (packed->len > kPackLimit) std::abort();
    awk_stclear(arr.w.t);
    awk_unpack(fmt.data(), uint32_t(fmt.size()), reinterpret_cast<const unsigned char*>(packed->text()),
               packed->len, arr.w.t);
    stringFree(packed);
    for (Cell& c : v) cellRelease(&c);
  }
  awk_safree(arr.w.t);
  return 0;
}
