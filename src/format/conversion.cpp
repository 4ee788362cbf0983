// The conversion parser shared by awk_asprintf and awk_vprint.
//
// A conversion is the flags, digits and precision marks after "%", ended by the
// conversion letter (or "%"). "0" is a flag only before any width digit or
// precision mark; afterwards it is a digit. Width and precision saturate
// instead of wrapping so that an absurd conversion cannot turn negative.
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
const char* awk_get_print_fmt(Conversion* conv, const char* p) {
  std::memset(conv, 0, sizeof *conv);
  conv->padchar = ' ';
  conv->decchar = '.';
  conv->argsize = 4;
  bool widthSeen = false;
  for (;;) {
    unsigned char c = static_cast<unsigned char>(*p++);
    switch (c) {
      case ' ':
        if (conv->signchar != '+') conv->signchar = ' ';
        continue;
      case '+': conv->signchar = '+'; continue;
      case '#': conv->alt = 1; continue;
      case '*': conv->star |= conv->precgiven ? 2 : 1; continue;
      case ',': conv->precgiven = 1; conv->decchar = ','; continue;
      case '.': conv->precgiven = 1; continue;
      case '-': conv->left = 1; continue;
      case '^': conv->eng = 1; continue;
      case 'l': conv->islong = 1; continue;
      case 'z': conv->strip = 1; continue;
      case '0':
        if (!widthSeen && !conv->precgiven) {
          conv->padchar = '0';
          continue;
        }
        break;
      default: break;
    }
    if (c >= '0' && c <= '9') {
      if (conv->precgiven) {
        conv->precision = addDigit(conv->precision, c - '0');
      } else {
        conv->width = addDigit(conv->width, c - '0');
        widthSeen = true;
      }
      continue;
    }
    if (isLetter(c) || c == '%') {
      conv->conv = c;
      switch (c | 0x20) {
        case 'e': case 'f': case 'g': case 'm': conv->argsize = 8; break;
        default: break;
      }
      return p;
    }
    return nullptr;  // any other character, or the end of the text
  }
}
