// Width and fill of one converted text. A zero fill goes between a leading
// sign or parenthesis (or the "0x"-style prefix of "#") and the digits; a
// left-justified field is always filled with blanks on the right.
#include <cstring>

#include "format/engine.h"

namespace {

inline bool isAlnum(unsigned char c) {
  return (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z');
}

}  // namespace

// Returns the layout of text under conv: bytes kept, pad count, and how
// many leading bytes precede a zero fill.
JustInfo awk_justinfo(const char* text, uint32_t len, const Conversion* conv) {
  JustInfo j{len, 0, 0, conv->left != 0};
  int64_t width = conv->width;
  if (width < 0) {
    j.left = true;
    width = -width;
  }
  const bool isText = cvtIsText(conv->conv);
  if (isText && conv->precgiven && conv->precision >= 0 && j.len > uint32_t(conv->precision))
    j.len = uint32_t(conv->precision);
  if (width > int64_t(j.len)) j.pad = uint32_t(width - j.len);
  if (conv->padchar == '0' && !isText && j.len > 0) {
    unsigned char c = static_cast<unsigned char>(text[0]);
    if (!isAlnum(c) && c != conv->decchar)
      j.preflen = 1;
    else if (conv->alt && j.len >= 2 && std::strchr("xXbBpP", conv->conv))
      j.preflen = 2;
  }
  return j;
}

void awk_outputjust(const char* text, const Conversion* conv, const JustInfo& j, OutBuf* out) {
  char* p = out->data + out->len;
  std::memcpy(p, text, j.preflen);
  p += j.preflen;
  if (!j.left) {
    std::memset(p, conv->padchar, j.pad);
    p += j.pad;
  }
  std::memcpy(p, text + j.preflen, j.len - j.preflen);
  p += j.len - j.preflen;
  if (j.left) {
    std::memset(p, ' ', j.pad);
    p += j.pad;
  }
  out->len = uint32_t(p - out->data);
}

void awk_outputjust(const char* text, const Conversion* conv, const JustInfo& j, FILE* stream) {
  fwrite(text, 1, j.preflen, stream);
  const int fill = j.left ? ' ' : conv->padchar;
  if (!j.left)
    for (uint32_t i = 0; i < j.pad; ++i) putc(fill, stream);
  fwrite(text + j.preflen, 1, j.len - j.preflen, stream);
  if (j.left)
    for (uint32_t i = 0; i < j.pad; ++i) putc(fill, stream);
}
