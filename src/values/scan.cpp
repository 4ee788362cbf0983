// The number scanner. It reads what an AWK user would call a number: blanks
// and tabs first, a sign, then either hexadecimal after "0x" (at most eight
// significant digits, kept modulo 2^32) or decimal digits with one point or
// comma and one exponent. At most nine digits without point or exponent
// make an int; anything else is a float whose decimals count is the number
// of places the text carries, less the exponent.
//
// The scan only classifies; the float value itself comes from a correctly
// rounded parser (std::from_chars) over the scanned characters, with a
// comma read as the point. With report 0 the caller wants the flag and the
// tag only, so the value is produced only when the exponent is out of
// range (its check needs it).
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "values/arith.h"
#include "values/convert.h"

namespace {

constexpr int kMaxIntDigits = 9;
constexpr int kMaxSignificant = 15;
constexpr int kExpCap = 100000;  // exponents saturate here

inline bool isDigit(unsigned char c) { return unsigned(c - '0') < 10u; }

inline int hexValue(unsigned char c) {
  if (isDigit(c)) return c - '0';
  c |= 0x20;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The float value of the scanned text [p, end) (sign included); a comma
// stands for the point.
double floatValue(const char* p, const char* end, const char* comma) {
  char local[128];
  const char* s = p;
  if (*s == '+') ++s;
  if (comma || end - s >= int(sizeof local)) {
    // Copy so the comma can become a point (and a long text gets a NUL
    // for strtod).
    size_t n = size_t(end - s);
    char* buf = n < sizeof local ? local : static_cast<char*>(std::malloc(n + 1));
    std::memcpy(buf, s, n);
    buf[n] = 0;
    if (comma) buf[comma - s] = '.';
    double v = std::strtod(buf, nullptr);
    if (buf != local) std::free(buf);
    return v;
  }
  double v = 0;
  auto r = std::from_chars(s, end, v);
  if (r.ec == std::errc()) return v;
  // Out of range (from_chars leaves v alone) or nothing to read ("." or
  // "-."): take what the C library gives, as atof would.
  std::memcpy(local, s, size_t(end - s));
  local[end - s] = 0;
  return std::strtod(local, nullptr);
}

}  // namespace

int awk_s2n(const AwkString* s, Cell* out, int report) {
  return awk_s2nb(s->text(), s->len, out, report);
}

// See convert.h. Never fails: non-numeric text gives the value of its
// numeric prefix (or 0) with the flag 0.
int awk_s2nb(const char* text, uint32_t len, Cell* out, int report) {
  const char* p = text;
  const char* const end = text + len;
  while (p < end && (*p == ' ' || *p == '\t')) ++p;
  const char* const start = p;  // what atol/atof would see
  bool neg = false;
  if (p < end && (*p == '+' || *p == '-')) {
    neg = *p == '-';
    ++p;
  }
  if (p == end || !(isDigit(static_cast<unsigned char>(*p)) || *p == '.' || *p == ',')) {
    cellSetInt(out, 0);
    return 0;
  }

  // Hexadecimal.
  if (*p == '0' && p + 1 < end && (p[1] | 0x20) == 'x') {
    p += 2;
    while (p < end && *p == '0') ++p;
    uint32_t v = 0;
    int count = 0;
    for (; p < end; ++p) {
      int h = hexValue(static_cast<unsigned char>(*p));
      if (h < 0) break;
      v = (v << 4) | uint32_t(h);
      ++count;
    }
    int flag = (count >= 1 && count <= 8 && p == end) ? 1 : 0;
    if (report && count > 8) awk_matherrn(kMwHexDigits);
    if (neg) v = 0u - v;
    cellSetInt(out, int32_t(v));
    return flag;
  }

  // Decimal.
  while (p < end && *p == '0') ++p;
  const char* sep = nullptr;       // the separator, if any
  const char* expMark = nullptr;   // the exponent mark, if any
  int digits = 0;                  // digits before the exponent mark
  int trailingZeros = 0;           // the current run of trailing zeros
  int leadingFractionZeros = 0;    // zeros after the separator before any other digit
  bool nonZeroSeen = false;
  for (; p < end; ++p) {
    unsigned char c = static_cast<unsigned char>(*p);
    if (isDigit(c)) {
      if (!expMark) {
        ++digits;
        if (c == '0') {
          ++trailingZeros;
          if (!nonZeroSeen && sep) ++leadingFractionZeros;
        } else {
          trailingZeros = 0;
          nonZeroSeen = true;
        }
      }
      continue;
    }
    if (c == 'e' || c == 'E') {
      if (expMark) break;
      expMark = p;
      continue;
    }
    if (c == '+' || c == '-') {
      if (!expMark || p != expMark + 1) break;
      continue;
    }
    if (c == '.' || c == ',') {
      if (sep) break;
      sep = p;
      continue;
    }
    break;
  }
  const char* const scanEnd = p;
  int flag = 1;
  if (scanEnd != end || (expMark && expMark + 1 == end)) flag = 0;
  // The exponent's value is what a C parser reads: the digits directly
  // after the mark and its sign (a later separator and digits are not part
  // of it).
  int exponent = 0;
  if (expMark) {
    const char* q = expMark + 1;
    bool expNeg = false;
    if (q < scanEnd && (*q == '+' || *q == '-')) expNeg = *q++ == '-';
    for (; q < scanEnd && isDigit(static_cast<unsigned char>(*q)); ++q)
      if (exponent < kExpCap) exponent = exponent * 10 + (*q - '0');
    if (expNeg) exponent = -exponent;
  }

  if (!sep && !expMark && digits <= kMaxIntDigits) {
    if (report) {
      int32_t v = 0;
      for (const char* q = start + (*start == '+' || *start == '-'); q < scanEnd; ++q)
        v = v * 10 + (*q - '0');
      cellSetInt(out, neg ? -v : v);
    } else {
      cellSetInt(out, 0);
    }
    return flag;
  }

  // Float: places after the separator (up to the exponent mark or the end
  // of the scan), less the exponent; never below 0, 400 at most.
  int places = 0;
  if (sep) places = int(((expMark && expMark > sep) ? expMark : scanEnd) - sep - 1);
  int decimals = places - exponent;
  if (decimals < 0) decimals = 0;
  if (decimals > kUnlimitedDecimals) decimals = kUnlimitedDecimals;

  const bool outOfRange = exponent < -306 || exponent > 307;
  double v = 0;
  if (report || outOfRange) v = floatValue(start, scanEnd, (sep && *sep == ',') ? sep : nullptr);
  cellSetFloat(out, v, int16_t(decimals));

  // A zero mantissa is zero at any exponent; only real magnitudes can fall
  // out of range.
  if (outOfRange && nonZeroSeen && (v == 0 || !std::isfinite(v))) {
    flag = 0;
    if (report) awk_matherrn(exponent <= 0 ? kMwUnderflow : kMwOverflow);
  }
  if (report && digits - trailingZeros - leadingFractionZeros > kMaxSignificant)
    awk_matherrn(kMwSigDigits);
  return flag;
}
