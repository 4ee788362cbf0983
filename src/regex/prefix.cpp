// The block scan of prefix.h. Heads are tested 16 positions at a time with
// SSE2 compares (a scalar loop stands in elsewhere); the loop is made for
// each head count so that the compare operands stay in registers. The last
// positions, where a block would read past the subject, are copied into a
// zeroed buffer first: a head may hold on the padding, but no text fits
// there, and bits beyond the subject are dropped.
#include "regex/prefix.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr int32_t kScanNearBytes = 16;

bool isLetter(unsigned c) { return (c | 32) >= 'a' && (c | 32) <= 'z'; }

ScanTerm termFor(int off, uint8_t b, bool fold) {
  if (fold && isLetter(b)) return ScanTerm{uint8_t(off), 0x20, uint8_t(b | 0x20), 0};
  return ScanTerm{uint8_t(off), 0, b, 0};
}

bool sameHead(const ScanTerm* a, const ScanTerm* b) {
  return memcmp(a, b, 2 * sizeof(ScanTerm)) == 0;
}

// Heads for the texts with up to `terms` byte tests each, placed on the
// rarest bytes among the first kScanMaxOffset + 1; false if too many.
bool makeHeads(PrefixScan* sc, int terms, int (*rarity)(unsigned)) {
  sc->nheads = 0;
  sc->maxOff = 0;
  for (const std::string& t : sc->texts) {
    int len = std::min(int(t.size()), kScanMaxOffset + 1);
    auto rank = [&](int o) {
      unsigned c = uint8_t(t[size_t(o)]);
      return rarity(sc->fold && isLetter(c) ? c | 0x20 : c);
    };
    int o1 = 0;
    for (int o = 1; o < len; o++)
      if (rank(o) > rank(o1)) o1 = o;
    int o2 = o1;
    if (terms == 2) {
      for (int o = 0; o < len; o++)
        if (o != o1 && (o2 == o1 || rank(o) > rank(o2))) o2 = o;
    }
    if (o2 < o1) std::swap(o1, o2);
    ScanTerm head[2] = {termFor(o1, uint8_t(t[size_t(o1)]), sc->fold),
                        termFor(o2, uint8_t(t[size_t(o2)]), sc->fold)};
    bool known = false;
    for (int h = 0; h < sc->nheads && !known; h++) known = sameHead(sc->heads[h], head);
    if (known) continue;
    if (sc->nheads == kScanMaxHeads) return false;
    memcpy(sc->heads[sc->nheads++], head, sizeof head);
    sc->maxOff = std::max(sc->maxOff, o2);
  }
  return true;
}

void settle(PrefixScan* sc) {
  sc->plain = true;
  for (int h = 0; h < sc->nheads; h++) {
    for (int j = 0; j < 2; j++) {
      const ScanTerm& t = sc->heads[h][j];
      sc->plain = sc->plain && !t.orMask && !t.span;
      memset(sc->lanes[h][j][0], t.lo, 16);
      memset(sc->lanes[h][j][1], t.span, 16);
      memset(sc->lanes[h][j][2], t.orMask, 16);
    }
  }
}

// The texts confirmed at a position whose head holds.
inline bool confirm(const PrefixScan* sc, const uint8_t* s, int32_t n, int32_t p, int* which) {
  if (sc->texts.empty()) return true;
  for (size_t k = 0; k < sc->texts.size(); k++) {
    const std::string& t = sc->texts[k];
    if ((s[p] | 0x20) != (uint8_t(t[0]) | 0x20)) continue;   // a first test, fold or not
    if (prefixTextAt(sc, t, s, n, p)) {
      *which = int(k);
      return true;
    }
  }
  return false;
}

#if defined(__SSE2__)

template <bool Plain>
inline __m128i termMask(const uint8_t (*k)[16], int off, const uint8_t* b) {
  __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + off));
  const __m128i lo = _mm_load_si128(reinterpret_cast<const __m128i*>(k[0]));
  if (Plain) return _mm_cmpeq_epi8(v, lo);
  v = _mm_or_si128(v, _mm_load_si128(reinterpret_cast<const __m128i*>(k[2])));
  __m128i d = _mm_sub_epi8(v, lo);
  return _mm_cmpeq_epi8(_mm_min_epu8(d, _mm_load_si128(reinterpret_cast<const __m128i*>(k[1]))), d);
}

// Bit j: a head holds at b + j.
template <int H, bool Plain>
inline uint32_t blockMask(const PrefixScan* sc, const uint8_t* b) {
  __m128i any = _mm_setzero_si128();
  for (int h = 0; h < H; h++) {
    __m128i m = termMask<Plain>(sc->lanes[h][0], sc->heads[h][0].off, b);
    m = _mm_and_si128(m, termMask<Plain>(sc->lanes[h][1], sc->heads[h][1].off, b));
    any = _mm_or_si128(any, m);
  }
  return uint32_t(_mm_movemask_epi8(any));
}

// The blocks that would pass the end of the subject read its last bytes in
// place when the reads stay on the page of those bytes (so cannot fault; the
// bytes past the end only make heads hold where no text fits), else from a
// copy. The in-place reads are outside any object as the address sanitizer
// sees it, hence the attribute.
template <int H, bool Plain>
__attribute__((no_sanitize("address"))) int32_t scanBlocks(const PrefixScan* sc,
                                                            const uint8_t* s, int32_t n,
                                                            int32_t from, int* which) {
  int32_t i = from;
  for (; i + 16 + sc->maxOff <= n; i += 16) {
    for (uint32_t m = blockMask<H, Plain>(sc, s + i); m; m &= m - 1) {
      int32_t p = i + __builtin_ctz(m);
      if (confirm(sc, s, n, p, which)) return p;
    }
  }
  if (i >= n) return -1;
  constexpr uintptr_t kPage = 4096, kReach = 16 + 16 + kScanMaxOffset;
  const uint8_t* tail = s + i;
  alignas(16) uint8_t buf[64];
  if ((uintptr_t(tail) & (kPage - 1)) > kPage - kReach) {
    memset(buf, 0, sizeof buf);
    memcpy(buf, tail, size_t(n - i));
    tail = buf;
  }
  for (int32_t b = 0; i + b < n; b += 16) {
    uint32_t m = blockMask<H, Plain>(sc, tail + b);
    if (n - i - b < 16) m &= (uint32_t(1) << (n - i - b)) - 1;
    for (; m; m &= m - 1) {
      int32_t p = i + b + __builtin_ctz(m);
      if (confirm(sc, s, n, p, which)) return p;
    }
  }
  return -1;
}

template <bool Plain>
__attribute__((noinline)) int32_t scanFor(const PrefixScan* sc, const uint8_t* s, int32_t n, int32_t from, int* which) {
  switch (sc->nheads) {
    case 1: return scanBlocks<1, Plain>(sc, s, n, from, which);
    case 2: return scanBlocks<2, Plain>(sc, s, n, from, which);
    case 3: return scanBlocks<3, Plain>(sc, s, n, from, which);
    case 4: return scanBlocks<4, Plain>(sc, s, n, from, which);
    case 5: return scanBlocks<5, Plain>(sc, s, n, from, which);
    case 6: return scanBlocks<6, Plain>(sc, s, n, from, which);
    case 7: return scanBlocks<7, Plain>(sc, s, n, from, which);
    default: return scanBlocks<8, Plain>(sc, s, n, from, which);
  }
}
static_assert(kScanMaxHeads == 8, "one block loop per head count");
static_assert(16 + 16 + kScanMaxOffset <= 64, "the tail buffer holds two blocks");

#else

bool termHolds(const ScanTerm& t, const uint8_t* s, int32_t n, int32_t p) {
  if (p + t.off >= n) return false;
  return uint8_t((s[p + t.off] | t.orMask) - t.lo) <= t.span;
}

#endif

}  // namespace

bool prefixTextAt(const PrefixScan* sc, const std::string& t, const uint8_t* s, int32_t n,
                  int32_t p) {
  if (int64_t(n) - p < int64_t(t.size())) return false;
  if (!sc->fold) return memcmp(s + p, t.data(), t.size()) == 0;
  for (size_t j = 0; j < t.size(); j++) {
    uint8_t c = s[size_t(p) + j], w = uint8_t(t[j]);
    if (c != w && !(isLetter(w) && (c ^ 32) == w)) return false;
  }
  return true;
}

void prefixScanTexts(PrefixScan* sc, const std::vector<std::string>& texts, bool fold,
                     int (*rarity)(unsigned)) {
  sc->texts = texts;
  std::stable_sort(sc->texts.begin(), sc->texts.end(),
                   [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
  sc->fold = fold;
  if (!makeHeads(sc, 2, rarity) && !makeHeads(sc, 1, rarity)) sc->nheads = 0;
  settle(sc);
}

void prefixScanSet(PrefixScan* sc, const uint8_t bits[32]) {
  sc->texts.clear();
  sc->fold = false;
  sc->nheads = 0;
  sc->maxOff = 0;
  auto in = [&](int c) { return c < 256 && ((bits[c >> 3] >> (c & 7)) & 1); };
  for (int c = 0; c < 256; c++) sc->set[c] = in(c);
  for (int c = 0; c < 256;) {
    if (!in(c)) {
      c++;
      continue;
    }
    int lo = c;
    while (in(c)) c++;
    if (sc->nheads == kScanMaxHeads) {
      sc->nheads = 0;
      break;
    }
    ScanTerm t{0, 0, uint8_t(lo), uint8_t(c - 1 - lo)};
    sc->heads[sc->nheads][0] = sc->heads[sc->nheads][1] = t;
    sc->nheads++;
  }
  settle(sc);
}

int32_t prefixScanFind(const PrefixScan* sc, const uint8_t* s, int32_t n, int32_t from,
                       int* which) {
  *which = 0;
  if (from >= n || sc->nheads == 0) return -1;
  // A set byte is often near (a run of digits in a record): look at a few
  // bytes one by one before paying for the block set-up.
  if (sc->texts.empty()) {
    for (int32_t end = std::min(n, from + kScanNearBytes); from < end; from++)
      if (sc->set[s[from]]) return from;
    if (from >= n) return -1;
  }
#if defined(__SSE2__)
  return sc->plain ? scanFor<true>(sc, s, n, from, which) : scanFor<false>(sc, s, n, from, which);
#else
  for (int32_t p = from; p < n; p++) {
    for (int h = 0; h < sc->nheads; h++) {
      if (termHolds(sc->heads[h][0], s, n, p) && termHolds(sc->heads[h][1], s, n, p) &&
          confirm(sc, s, n, p, which))
        return p;
    }
  }
  return -1;
#endif
}
