// C-level formatting for the run-time's own messages: the same parser and
// converters as sprintf, with arguments from a C argument list. Integer
// conversions take an int (without "l", %b %o %x show its low 16 bits),
// %p a pointer, %s a C string, the float conversions a double; "*" is not
// supported. Every piece is charged against a budget, and formatting stops
// quietly when fewer than two characters of it would remain.
#include <cstring>

#include "format/engine.h"
#include "diag/oops.h"

namespace {

constexpr int kDefaultBudget = 32000;

// The output target of one awk_vprint call.
struct Sink {
  FILE* stream;
  char* buffer;
  int written;
  int budget;

  bool fits(int64_t n) const { return int64_t(budget) - written - n >= 2; }
  void put(const char* p, int n) {
    if (stream)
      fwrite(p, 1, size_t(n), stream);
    else
      std::memcpy(buffer + written, p, size_t(n));
    written += n;
  }
};

}  // namespace

// Formats fmt with the C arguments in ap. Returns the characters written;
// in buffer mode the text is NUL-terminated. A malformed conversion is fatal.
int awk_vprint(const char* fmt, va_list ap, FILE* stream, char* buffer, int budget) {
  Sink out{stream, buffer, 0, budget};
  char cvtbuf[kCvtBufSize];
  const char* p = fmt;
  while (*p) {
    const char* pct = std::strchr(p, '%');
    int run = int(pct ? pct - p : int(std::strlen(p)));
    if (run) {
      if (!out.fits(run)) break;
      out.put(p, run);
      p += run;
    }
    if (!pct) break;
    Conversion sp;
    const char* next = awk_get_print_fmt(&sp, pct + 1);
    if (!next) oops('f', "Bad printf format");
    const int lc = (sp.conv >= 'A' && sp.conv <= 'Z') ? sp.conv | 0x20 : sp.conv;
    int64_t ival = 0;
    double dval = 0;
    const char* sval = nullptr;
    uint32_t slen = 0;
    switch (lc) {
      case 'd': case 'i': case 'h': case 'u': case 'b': case 'o': case 'x': case 'c':
        ival = va_arg(ap, int);
        break;
      case 'p':
        ival = int64_t(reinterpret_cast<uintptr_t>(va_arg(ap, void*)));
        sp.islong = 1;
        break;
      case 's':
        sval = va_arg(ap, const char*);
        if (!sval) sval = "(null)";
        slen = uint32_t(std::strlen(sval));
        break;
      case 'e': case 'f': case 'g': case 'm':
        dval = va_arg(ap, double);
        break;
      default:
        break;
    }
    uint32_t len;
    const char* text = awk_sprint_cvt(cvtbuf, &sp, ival, dval, sval, slen, &len);
    JustInfo j = awk_justinfo(text, len, &sp);
    if (!out.fits(int64_t(j.len) + j.pad)) break;
    if (stream) {
      awk_outputjust(text, &sp, j, stream);
      out.written += int(j.len + j.pad);
    } else {
      OutBuf ob{buffer, uint32_t(out.written), uint32_t(budget), nullptr};
      awk_outputjust(text, &sp, j, &ob);
      out.written = int(ob.len);
    }
    p = next;
  }
  if (buffer && !stream) buffer[out.written] = 0;
  if (stream == stderr) fflush(stderr);
  return out.written;
}

int awk_fprintf(FILE* stream, const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  int n = awk_vprint(fmt, ap, stream, nullptr, kDefaultBudget);
  va_end(ap);
  return n;
}

int awk_printf(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  int n = awk_vprint(fmt, ap, stdout, nullptr, kDefaultBudget);
  va_end(ap);
  return n;
}

int awk_sprintf(char* buffer, const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  int n = awk_vprint(fmt, ap, nullptr, buffer, kDefaultBudget);
  va_end(ap);
  return n;
}
