// One conversion of the printf engine: an integer, float, character or
// string argument turned into its text under a parsed conversion. Justification
// (width and fill) is applied afterwards by the caller.
//
// Floats: %f and %m use fixed notation, %e exponent notation (with "^" an
// exponent that is a multiple of 3), %g picks one of the two from the
// decimal exponent of the first significant digit. The precision is capped
// at 50 for every conversion but %s; the first cap of the run is reported.
#include <cmath>
#include <cstring>

#include "format/engine.h"
#include "diag/oops.h"

namespace {

constexpr int kMaxPrecision = 50;
int precisionWarned;

// Digits of v in base 2^bits, at least mindigits of them, ending at end.
char* radixFormat(uint64_t v, char* end, int bits, bool upper, int mindigits) {
  const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  const unsigned mask = (1u << bits) - 1;
  char* p = end;
  do {
    *--p = digits[v & mask];
    v >>= bits;
  } while (v);
  while (end - p < mindigits) *--p = '0';
  return p;
}

// Sign decoration around a formatted magnitude.
struct Sign {
  char pre;   // 0 for none
  char post;  // 0 for none
};

Sign signFor(bool neg, const Conversion* sp) {
  if (sp->parens) return neg ? Sign{'(', ')'} : Sign{' ', ' '};
  return Sign{neg ? '-' : char(sp->signchar), 0};
}

// Drops trailing zeros of the fraction in [start, end), then the decimal
// character unless keepPoint. Returns the new end.
char* stripZeros(char* start, char* end, char decchar, bool keepPoint) {
  char* point = static_cast<char*>(std::memchr(start, decchar, size_t(end - start)));
  if (!point) return end;
  while (end > point + 1 && end[-1] == '0') --end;
  if (end == point + 1 && !keepPoint) --end;
  return end;
}

// Fixed notation of mag (finite, >= 0) after the sign. Returns the end, or
// null when the integer part has 51 or more digits.
char* fixedBody(char* out, double mag, int decimals, const Conversion* sp) {
  char tmp[kFixedBufSize];
  int n = awk_fcvt(mag, decimals, tmp);
  int intDigits = decimals > 0 ? n - decimals - 1 : n;
  if (intDigits > kMaxPrecision) return nullptr;
  std::memcpy(out, tmp, size_t(n));
  char* end = out + n;
  if (decimals > 0) {
    out[intDigits] = char(sp->decchar);
  } else if (sp->alt) {
    *end++ = char(sp->decchar);
  }
  if (sp->strip) end = stripZeros(out, end, char(sp->decchar), sp->alt);
  return end;
}

// Fixed notation from P significant digits with the decimal point at
// decpt (decpt <= P): the same text as fixedBody with P - decpt decimals,
// without generating the digits a second time.
char* fixedFromDigits(char* out, const FloatDigits& dg, const Conversion* sp) {
  const int d = dg.decpt;
  char* p = out;
  if (d > 0) {
    std::memcpy(p, dg.d, size_t(d));
    p += d;
  } else {
    *p++ = '0';
  }
  if (dg.n - d > 0) {
    *p++ = char(sp->decchar);
    for (int i = d; i < 0; ++i) *p++ = '0';
    const int from = d > 0 ? d : 0;
    std::memcpy(p, dg.d + from, size_t(dg.n - from));
    p += dg.n - from;
  } else if (sp->alt) {
    *p++ = char(sp->decchar);
  }
  if (sp->strip) p = stripZeros(out, p, char(sp->decchar), sp->alt);
  return p;
}

// Exponent notation from decimals + 1 significant digits (one integer
// digit, or 1 to 3 with engineering exponents).
char* expFromDigits(char* out, const FloatDigits& dg, int decimals, const Conversion* sp,
                    bool upper) {
  int exp10 = dg.decpt - 1;
  int intDigits = 1;
  if (sp->eng) {
    int shift = ((exp10 % 3) + 3) % 3;
    exp10 -= shift;
    intDigits += shift;
    decimals = decimals > shift ? decimals - shift : 0;
  }
  char* p = out;
  for (int i = 0; i < intDigits; ++i) *p++ = i < dg.n ? dg.d[i] : '0';
  if (decimals > 0 || sp->alt) *p++ = char(sp->decchar);
  for (int i = 0; i < decimals; ++i) *p++ = dg.d[intDigits + i];
  if (sp->strip) p = stripZeros(out, p, char(sp->decchar), sp->alt);
  *p++ = upper ? 'E' : 'e';
  *p++ = exp10 < 0 ? '-' : '+';
  unsigned e = unsigned(exp10 < 0 ? -exp10 : exp10);
  char digits[8];
  char* q = digits + sizeof digits;
  do {
    *--q = char('0' + e % 10);
    e /= 10;
  } while (e);
  if (digits + sizeof digits - q < 2) *--q = '0';
  while (q < digits + sizeof digits) *p++ = *q++;
  return p;
}

// Exponent notation of mag (finite, >= 0) with `decimals` fraction digits.
char* expBody(char* out, double mag, int decimals, const Conversion* sp, bool upper) {
  FloatDigits dg;
  awk_ecvt(mag, decimals + 1, &dg);
  return expFromDigits(out, dg, decimals, sp, upper);
}

// A float conversion (e, f, g, m in either case) into buf.
const char* floatConvert(char* buf, Conversion* sp, double v, uint32_t* len) {
  const int conv = sp->conv;
  const int lc = conv | 0x20;
  const bool upper = conv != lc;
  const bool neg = std::signbit(v);
  const double mag = std::fabs(v);
  int prec = sp->precgiven ? sp->precision : (lc == 'm' ? 2 : 6);
  if (lc == 'm') sp->parens = 1;
  if (lc == 'g' && !sp->alt) sp->strip = 1;
  Sign sign = signFor(neg, sp);
  char* p = buf;
  if (sign.pre) *p++ = sign.pre;
  if (!std::isfinite(v)) {
    const char* word = std::isnan(v) ? (upper ? "NAN" : "nan") : (upper ? "INF" : "inf");
    std::memcpy(p, word, 3);
    p += 3;
  } else if (lc == 'e') {
    p = expBody(p, mag, prec, sp, upper);
  } else if (lc == 'g') {
    if (prec == 0) prec = 1;
    FloatDigits dg;
    awk_ecvt(mag, prec, &dg);
    int d = dg.decpt;
    if (d > prec || d < -3 || d > kMaxPrecision)
      p = expFromDigits(p, dg, prec - 1, sp, upper);
    else
      p = fixedFromDigits(p, dg, sp);
  } else {
    char* end = fixedBody(p, mag, prec, sp);
    p = end ? end : expBody(p, mag, prec, sp, upper);
  }
  if (sign.post) *p++ = sign.post;
  *len = uint32_t(p - buf);
  return buf;
}

}  // namespace

void awk_printfreset() { precisionWarned = 0; }

// Decimal digits of value ending at end (exclusive): "-" and the magnitude
// for a negative signed value, else the sign char when there is one; at
// least mindigits digits. Returns the start.
char* awk_l_format(int32_t value, char* end, int isSigned, int signchar, int mindigits) {
  // Two digits per division: the conversion of every number to a string
  // (array subscripts, concatenation, output) comes through here.
  static constexpr char kPairs[] =
      "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
      "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
      "8081828384858687888990919293949596979899";
  uint32_t mag = uint32_t(value);
  bool neg = isSigned && value < 0;
  if (neg) mag = 0u - mag;
  char* p = end;
  while (mag >= 100) {
    const uint32_t r = mag % 100;
    mag /= 100;
    p -= 2;
    std::memcpy(p, kPairs + 2 * r, 2);
  }
  if (mag >= 10) {
    p -= 2;
    std::memcpy(p, kPairs + 2 * mag, 2);
  } else {
    *--p = char('0' + mag);
  }
  while (end - p < mindigits) *--p = '0';
  if (neg)
    *--p = '-';
  else if (signchar)
    *--p = char(signchar);
  return p;
}

// Converts one argument; see printf.h. Assumes buf holds kCvtBufSize bytes.
const char* awk_sprint_cvt(char* buf, Conversion* sp, int64_t ival, double dval,
                           const char* sval, uint32_t slen, uint32_t* len) {
  const int conv = sp->conv;
  const int lc = (conv >= 'A' && conv <= 'Z') ? conv | 0x20 : conv;
  if (lc != 's') {
    if (sp->precision > kMaxPrecision) {
      sp->precision = kMaxPrecision;
      if (!precisionWarned) {
        precisionWarned = 1;
        oops('w', "printf/sprintf limited to %d digits after decimal point", kMaxPrecision);
      }
    }
    if (sp->precision < 0) sp->precision = 0;
  }
  char* end = buf + kCvtBufSize;
  const char* text;
  switch (lc) {
    case 'd':
    case 'i':
    case 'h':
      text = awk_l_format(int32_t(ival), end, 1, sp->signchar, sp->precision);
      break;
    case 'u':
      text = awk_l_format(int32_t(ival), end, 0, 0, sp->precision);
      break;
    case 'b':
    case 'o':
    case 'x':
    case 'p': {
      uint64_t v = lc == 'p' ? uint64_t(ival)
                   : sp->islong ? uint64_t(uint32_t(ival))
                                : uint64_t(uint16_t(ival));
      int bits = lc == 'b' ? 1 : lc == 'o' ? 3 : 4;
      char* p = radixFormat(v, end, bits, conv != lc, sp->precision);
      if (sp->alt) {
        if (lc == 'o') {
          *--p = '0';
        } else {
          *--p = char(lc == 'p' ? (conv == 'p' ? 'x' : 'X') : conv);
          *--p = '0';
        }
      }
      text = p;
      break;
    }
    case 'c':
      buf[0] = char(ival & 0xFF);
      *len = 1;
      return buf;
    case 's':
      *len = slen;
      return sval ? sval : "";
    case 'e':
    case 'f':
    case 'g':
    case 'm':
      return floatConvert(buf, sp, dval, len);
    default:
      buf[0] = char(conv);
      *len = 1;
      return buf;
  }
  *len = uint32_t(end - text);
  return text;
}
