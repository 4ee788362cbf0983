// Base conversion, translation tables and the random-number generator.
//
// None of these touch a value cell, so they are tested on their own. The
// generator's arithmetic is carried out on unsigned 32-bit words and read
// back as signed, which is the wrap-around the constants were chosen for;
// its state is one global, as there is one generator per run.
#include "builtins/strlib.h"

#include <cmath>
#include <cstring>

// ---- convertnum -----------------------------------------------------------

namespace {

bool isHexDigit(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Digit value of c, or 99 for a byte that is no digit in any base.
int digitValue(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 'a' + 'A');
  if (c >= 'A' && c <= 'Z') return c - 55;
  return 99;
}

}  // namespace

int32_t awk_convertnum(const char* text, uint32_t len, int base) {
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  uint32_t i = 0;
  bool negate = false;
  if (i < len && (s[i] == '-' || s[i] == '+')) negate = s[i++] == '-';
  if (base == 0) {
    if (i + 1 < len && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
      base = 16;
      i += 2;
    } else {
      uint32_t j = i;
      while (j < len && isHexDigit(s[j])) ++j;
      if (j < len && (s[j] == 'h' || s[j] == 'H')) base = 16;
      else if (i < len && s[i] == '0') base = 8;
      else base = 10;
    }
  }
  uint32_t value = 0;
  for (; i < len; ++i) {
    int d = digitValue(s[i]);
    if (d >= base) break;
    value = value * uint32_t(base) + uint32_t(d);
  }
  if (negate) value = 0u - value;
  return int32_t(value);
}

// ---- translate ------------------------------------------------------------

int awk_trexpand(const char* set, uint32_t len, bool literal, unsigned char* out, bool* cut) {
  const auto* s = reinterpret_cast<const unsigned char*>(set);
  int n = 0;
  *cut = false;
  for (uint32_t i = 0; i < len;) {
    int lo = s[i], hi = s[i];
    // A '-' with a byte on each side is a range; at either end it is itself.
    if (!literal && i + 2 < len && s[i + 1] == '-') {
      hi = s[i + 2];
      i += 3;
    } else {
      ++i;
    }
    for (int c = lo; c <= hi; ++c) {
      if (n == kTranslateSetMax) {
        *cut = true;
        return n;
      }
      out[n++] = static_cast<unsigned char>(c);
    }
  }
  return n;
}

int awk_trflags(const char* flags, uint32_t len) {
  int f = 0;
  for (uint32_t i = 0; i < len; ++i) {
    switch (flags[i]) {
      case 'n': f |= kTrLiteral; break;
      case 'c': f |= kTrComplement; break;
      case 'd': f |= kTrDelete; break;
      case 's': f |= kTrSqueeze; break;
      default: break;
    }
  }
  return f;
}

void awk_trtable(TranslateTable* t, const unsigned char* from, int nfrom,
                 const unsigned char* to, int nto, int flags) {
  unsigned char complement[256];
  if (flags & kTrComplement) {
    bool in[256] = {};
    for (int k = 0; k < nfrom; ++k) in[from[k]] = true;
    int n = 0;
    for (int c = 0; c < 256; ++c)
      if (!in[c]) complement[n++] = static_cast<unsigned char>(c);
    from = complement;
    nfrom = n;
  }
  for (int c = 0; c < 256; ++c) t->map[c] = kTrKeep;
  const bool drop = (flags & kTrDelete) || nto == 0;
  for (int k = 0; k < nfrom; ++k) {
    if (k < nto) t->map[from[k]] = to[k];
    else t->map[from[k]] = drop ? kTrDrop : int16_t(to[nto - 1]);
  }
}

uint32_t awk_trapply(const TranslateTable* t, const char* in, uint32_t len, char* out,
                     bool squeeze) {
  uint32_t n = 0;
  int last = -1;   // output byte of the current run of mapped bytes, -1 outside one
  for (uint32_t i = 0; i < len; ++i) {
    int16_t m = t->map[static_cast<unsigned char>(in[i])];
    if (m == kTrDrop) continue;
    if (m == kTrKeep) {
      out[n++] = in[i];
      last = -1;
      continue;
    }
    if (squeeze && m == last) continue;
    out[n++] = static_cast<char>(m);
    last = m;
  }
  return n;
}

// ---- Random numbers ---------------------------------------------------------

AwkRandom awk_random;

namespace {

inline int32_t wrap(uint32_t v) { return static_cast<int32_t>(v); }
inline int32_t mul(int32_t a, int32_t b) { return wrap(uint32_t(a) * uint32_t(b)); }
inline int32_t sub(int32_t a, int32_t b) { return wrap(uint32_t(a) - uint32_t(b)); }
inline int32_t add(int32_t a, int32_t b) { return wrap(uint32_t(a) + uint32_t(b)); }

void step1(AwkRandom* r) {
  int32_t k = r->g1 / 53668;
  r->g1 = sub(mul(40014, sub(r->g1, mul(k, 53668))), mul(12211, k));
  if (r->g1 < 0) r->g1 = add(r->g1, 2147483563);
}

void step2(AwkRandom* r) {
  int32_t k = r->g2 / 53668;
  r->g2 = sub(mul(40014, sub(r->g2, mul(k, 52774))), mul(3791, k));
  if (r->g2 < 0) r->g2 = add(r->g2, 2147483399);
}

}  // namespace

void awk_rseed(AwkRandom* r, int32_t s) {
  int32_t g = s == INT32_MIN ? INT32_MAX : (s < 0 ? -s : s);
  if (g < 1) g = 1;
  r->g1 = r->g2 = g;
  for (int i = 0; i < 40; ++i) {
    step1(r);
    if (i >= 8) r->tab[31 - (i - 8)] = r->g1;
  }
  r->y = r->tab[0];
  r->seeded = true;
}

double awk_rnext(AwkRandom* r) {
  step1(r);
  step2(r);
  // y stays below 32 * 67108862 in every sequence seen, but the table index
  // must never depend on that.
  int32_t j = r->y / 67108862;
  if (j < 0 || j > 31) j = 0;
  r->y = sub(r->tab[j], r->g2);
  r->tab[j] = r->g1;
  if (r->y < 1) r->y = add(r->y, 2147483562);
  double v = r->y * 4.656613057391769e-10;
  if (v > 0.99999988) v = 0.99999988;
  if (v < 0) v = 0;
  return v;
}

int32_t awk_srandseed(double x) {
  // NaN is tested first: an ordered comparison with it would raise the
  // invalid-operation flag that the next float check reports.
  if (std::isnan(x)) return 0;
  if (x <= 1) x *= 2147483640.0;
  if (x <= -2147483647.0 || x >= 2147483647.0) return 0;
  return static_cast<int32_t>(x);
}
