// Float digit generation for the printf engine. The digits come from
// std::to_chars with an explicit precision, which rounds correctly (ties
// broken on the exact binary value, as the C library's printf does); the
// layout around them (signs, decimal comma, engineering exponents, zero
// stripping) is the engine's own.
#include <charconv>
#include <cstring>

#include "format/engine.h"

// Fills out with n significant digits of v (finite, >= 0) and the decimal
// point position. n is clamped to 1..kMaxSig.
void awk_ecvt(double v, int n, FloatDigits* out) {
  if (n < 1) n = 1;
  if (n > kMaxSig) n = kMaxSig;
  char buf[kMaxSig + 16];
  auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, n - 1);
  // "d.ddde+XX", or "de+XX" for one digit.
  const char* p = buf;
  int k = 0;
  out->d[k++] = *p++;
  if (*p == '.') {
    ++p;
    while (*p != 'e') out->d[k++] = *p++;
  }
  out->d[k] = 0;
  out->n = k;
  ++p;  // 'e'
  int neg = *p == '-';
  ++p;
  int e = 0;
  while (p < r.ptr) e = e * 10 + (*p++ - '0');
  if (neg) e = -e;
  out->decpt = (v == 0) ? 1 : e + 1;
}

// Writes v (finite, >= 0) with `decimals` places into buf; returns the
// length. The buffer holds the 309 integer digits of the largest double.
int awk_fcvt(double v, int decimals, char* buf) {
  if (decimals < 0) decimals = 0;
  auto r = std::to_chars(buf, buf + kFixedBufSize - 1, v, std::chars_format::fixed, decimals);
  *r.ptr = 0;
  return int(r.ptr - buf);
}
