// _cvtin and _cvtout: numbers to and from their binary images in the
// machine's byte order, for data exchanged with external functions.
//
// The format letter picks the image: c/C 8-bit, s/S 16-bit, l/L 32-bit
// integers (upper case unsigned), d a double, f a float. Strings shorter
// than the image read as if padded with zero bytes.
#include <cstdint>
#include <cstring>

#include "diag/oops.h"
#include "values/arith.h"
#include "values/convert.h"

namespace {

// Bytes of an image of the format letter, 0 for an unknown letter.
int imageSize(int spec) {
  switch (spec) {
    case 'c': case 'C': return 1;
    case 's': case 'S': return 2;
    case 'l': case 'L': case 'f': return 4;
    case 'd': return 8;
    default: return 0;
  }
}

// First byte of the format argument (0 for an empty string).
int specLetter(const Cell* c) {
  AwkString* s = awk_a2s(c);
  int letter = s->len ? static_cast<unsigned char>(s->text()[0]) : 0;
  stringFree(s);
  return letter;
}

}  // namespace

// _cvtin(bytes, spec): the number whose image starts the string.
void b__cvtin(int argc, Cell* args) {
  if (argc != 2) awk_assert2(0x650F);
  const int spec = specLetter(&args[1]);
  if (!imageSize(spec)) {
    oops('w', "unrecognized %s format specifier:%c", "cvtin", spec);
    return;
  }
  AwkString* s = awk_a2s(&args[0]);
  unsigned char b[8] = {};
  std::memcpy(b, s->text(), s->len < 8 ? s->len : 8);
  stringFree(s);
  switch (spec) {
    case 'c': { int8_t v; std::memcpy(&v, b, 1); cellSetInt(awk_retval, v); break; }
    case 'C': cellSetInt(awk_retval, b[0]); break;
    case 's': { int16_t v; std::memcpy(&v, b, 2); cellSetInt(awk_retval, v); break; }
    case 'S': { uint16_t v; std::memcpy(&v, b, 2); cellSetInt(awk_retval, v); break; }
    case 'l': { int32_t v; std::memcpy(&v, b, 4); cellSetInt(awk_retval, v); break; }
    case 'L': {
      uint32_t v;
      std::memcpy(&v, b, 4);
      if (v > uint32_t(INT32_MAX))
        cellSetFloat(awk_retval, double(v), 0);
      else
        cellSetInt(awk_retval, int32_t(v));
      break;
    }
    case 'd': {
      double v;
      std::memcpy(&v, b, 8);
      cellSetFloat(awk_retval, v, kUnlimitedDecimals);
      awk_mathchk();
      break;
    }
    case 'f': {
      float v;
      std::memcpy(&v, b, 4);
      cellSetFloat(awk_retval, double(v), kUnlimitedDecimals);
      awk_mathchk();
      break;
    }
  }
}

// _cvtout(value, spec): the binary image of the value.
void b__cvtout(int argc, Cell* args) {
  if (argc != 2) awk_assert2(0x6510);
  const int spec = specLetter(&args[1]);
  const int size = imageSize(spec);
  if (!size) {
    oops('w', "unrecognized %s format specifier:%c", "cvtout", spec);
    cellSetString(awk_retval, stringDup(string_empty));
    return;
  }
  unsigned char b[8];
  if (spec == 'd' || spec == 'f') {
    Cell n;
    awk_cvtf(&args[0], &n);
    if (spec == 'd') {
      std::memcpy(b, &n.x.d, 8);
    } else {
      float v = float(n.x.d);
      awk_mathchk();
      std::memcpy(b, &v, 4);
    }
  } else {
    // Upper-case letters take the value in the unsigned range, so that
    // numbers up to 2^32 - 1 survive _cvtin(_cvtout(x, "L"), "L").
    const bool uns = spec == 'C' || spec == 'S' || spec == 'L';
    uint32_t v = uint32_t(awk_a2ls(&args[0], uns));
    uint8_t v8 = uint8_t(v);
    uint16_t v16 = uint16_t(v);
    if (size == 1) std::memcpy(b, &v8, 1);
    else if (size == 2) std::memcpy(b, &v16, 2);
    else std::memcpy(b, &v, 4);
  }
  cellSetString(awk_retval, stringNew1(b, uint32_t(size)));
}
