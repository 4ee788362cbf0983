// The format-spec parser shared by awk_asprintf and awk_vprint.
//
// A spec is the flags, digits and precision marks after "%", ended by the
// conversion letter (or "%"). "0" is a flag only before any width digit or
// precision mark; afterwards it is a digit. Width and precision saturate
// instead of wrapping so that an absurd spec cannot turn negative.
#include <cstring>

#include "format/printf.h"

namespace {

constexpr int32_t kFieldMax = 2147480000;

inline int32_t addDigit(int32_t v, int d) {
  if (v > (kFieldMax - d) / 10) return kFieldMax;
  return v * 10 + d;
}

inline bool isLetter(unsigned char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }

}  // namespace

// Returns the position after the conversion letter, or null when the text
// ends or holds an unexpected character before one.
const char* awk_get_print_fmt(PrintSpec* spec, const char* p) {
  std::memset(spec, 0, sizeof *spec);
  spec->padchar = ' ';
  spec->decchar = '.';
  spec->argsize = 4;
  bool widthSeen = false;
  for (;;) {
    unsigned char c = static_cast<unsigned char>(*p++);
    switch (c) {
      case ' ':
        if (spec->signchar != '+') spec->signchar = ' ';
        continue;
      case '+': spec->signchar = '+'; continue;
      case '#': spec->alt = 1; continue;
      case '*': spec->star |= spec->precgiven ? 2 : 1; continue;
      case ',': spec->precgiven = 1; spec->decchar = ','; continue;
      case '.': spec->precgiven = 1; continue;
      case '-': spec->left = 1; continue;
      case '^': spec->eng = 1; continue;
      case 'l': spec->islong = 1; continue;
      case 'z': spec->strip = 1; continue;
      case '0':
        if (!widthSeen && !spec->precgiven) {
          spec->padchar = '0';
          continue;
        }
        break;
      default: break;
    }
    if (c >= '0' && c <= '9') {
      if (spec->precgiven) {
        spec->precision = addDigit(spec->precision, c - '0');
      } else {
        spec->width = addDigit(spec->width, c - '0');
        widthSeen = true;
      }
      continue;
    }
    if (isLetter(c) || c == '%') {
      spec->conv = c;
      switch (c | 0x20) {
        case 'e': case 'f': case 'g': case 'm': spec->argsize = 8; break;
        default: break;
      }
      return p;
    }
    return nullptr;  // any other character, or the end of the text
  }
}
