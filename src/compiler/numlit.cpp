// The run-time's number scanner, re-done for the compiler (which does not
// link the run-time). Decimal texts are classified in one pass: leading
// zeros skipped, digits counted until the exponent mark, trailing zeros
// counted separately for the significant-digits check; the int case is "no
// separator, no exponent, at most 9 counted digits". The decimals count of a
// float is the number of characters after the separator (up to the exponent
// mark or the end of the scan) minus the exponent, never below 0 and at most
// 400, the unlimited count (which the loader checks).
#include "compiler/numlit.h"

#include <cmath>
#include <cstdlib>
#include <string>

namespace vorn::compiler {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Value of the exponent digits after the mark (sign included), saturated so
// that absurdly long exponents cannot overflow.
long exponentValue(std::string_view s) {
  size_t i = 0;
  bool neg = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) neg = s[i++] == '-';
  long v = 0;
  for (; i < s.size() && isDigit(s[i]); ++i) {
    if (v < 100000000) v = v * 10 + (s[i] - '0');
  }
  return neg ? -v : v;
}

}  // namespace

NumberScan scanNumber(std::string_view text) {
  NumberScan r;
  size_t i = 0;
  const size_t n = text.size();
  while (i < n && (text[i] == ' ' || text[i] == '\t')) ++i;
  const size_t start = i;
  r.numeric = true;
  r.isInt = true;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i >= n || !(isDigit(text[i]) || text[i] == '.' || text[i] == ',')) {
    r.numeric = false;
    return r;
  }
  if (text[i] == '0' && i + 1 < n && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    i += 2;
    while (i < n && text[i] == '0') ++i;
    uint32_t v = 0;
    int counted = 0;
    while (i < n && hexValue(text[i]) >= 0) {
      v = v << 4 | uint32_t(hexValue(text[i]));
      ++counted;
      ++i;
    }
    if (counted < 1 || counted > 8 || i != n) r.numeric = false;
    r.hexTooLong = counted > 8;
    if (negative) v = 0u - v;
    r.intValue = int32_t(v);
    return r;
  }
  while (i < n && text[i] == '0') ++i;
  bool seenExp = false, seenSep = false;
  char sepChar = 0;
  size_t sepPos = 0, expPos = 0;
  int digits = 0, trailingZeros = 0;
  size_t end = i;
  for (; end < n; ++end) {
    char c = text[end];
    if (c == 'e' || c == 'E') {
      if (seenExp) break;
      seenExp = true;
      expPos = end;
    } else if (c == '+' || c == '-') {
      if (!(seenExp && end == expPos + 1)) break;
    } else if (c == '.' || c == ',') {
      if (seenSep) break;
      seenSep = true;
      sepChar = c;
      sepPos = end;
    } else if (isDigit(c)) {
      if (!seenExp) {
        ++digits;
        trailingZeros = c == '0' ? trailingZeros + 1 : 0;
      }
    } else {
      break;
    }
  }
  if (end != n || (seenExp && expPos + 1 == n)) r.numeric = false;
  r.tooManyDigits = digits - trailingZeros > 15;
  if (!seenSep && !seenExp && digits <= 9) {
    r.intValue = int32_t(std::atol(std::string(text.substr(start, end - start)).c_str()));
    return r;
  }
  r.isInt = false;
  long exponent = seenExp ? exponentValue(text.substr(expPos + 1, end - expPos - 1)) : 0;
  long after = 0;
  if (seenSep) after = long((seenExp && expPos > sepPos ? expPos : end) - sepPos - 1);
  long dec = after - exponent;
  r.decimals = dec < 0 ? 0 : dec > kUnlimitedDecimals ? kUnlimitedDecimals : int(dec);
  std::string copy(text.substr(start, end - start));
  if (sepChar == ',') copy[sepPos - start] = '.';
  r.floatValue = std::strtod(copy.c_str(), nullptr);
  if ((exponent < -306 || exponent > 307) && (r.floatValue == 0 || !std::isfinite(r.floatValue))) {
    r.numeric = false;
    r.outOfRange = true;
  }
  return r;
}

}  // namespace vorn::compiler
