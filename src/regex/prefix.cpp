// The block scan of prefix.h. Heads are tested 16 positions at a time with
// SSE2 compares (without SSE2, a scalar loop tests each position); the loop
// is made for each head count so that the compare operands stay in
// registers. A block at the end of the subject reads past it only where that
// cannot fault (see nextHits), else from a zero-padded copy; either way a
// head may hold on bytes past the end, but no text fits there and bits
// beyond the subject are dropped.
#include "regex/prefix.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

bool isLetter(unsigned c) { return (c | 32) >= 'a' && (c | 32) <= 'z'; }

ScanTerm termFor(int off, uint8_t b, bool fold) {
  if (fold && isLetter(b)) return ScanTerm{uint8_t(off), 0x20, uint8_t(b | 0x20), 0};
  return ScanTerm{uint8_t(off), 0, b, 0};
}

bool sameHead(const ScanTerm* a, const ScanTerm* b) {
  return memcmp(a, b, 2 * sizeof(ScanTerm)) == 0;
}

// Heads for the texts testing the bytes at offsets o1 and o2 of each;
// false if they need too many.
bool makeHeads(PrefixScan* sc, int o1, int o2) {
  sc->nheads = 0;
  for (const std::string& t : sc->texts) {
    ScanTerm head[2] = {termFor(o1, uint8_t(t[size_t(o1)]), sc->fold),
                        termFor(o2, uint8_t(t[size_t(o2)]), sc->fold)};
    bool known = false;
    for (int h = 0; h < sc->nheads && !known; h++) known = sameHead(sc->heads[h], head);
    if (known) continue;
    if (sc->nheads == kScanMaxHeads) return false;
    memcpy(sc->heads[sc->nheads++], head, sizeof head);
  }
  return true;
}

// Every head tests the same two offsets, so a block needs two loads: the
// pair within the shortest text whose bytes are rarest over all texts, or
// failing that (too many heads), the rarest single offset.
bool placeHeads(PrefixScan* sc, int (*rarity)(unsigned)) {
  size_t shortest = sc->texts.back().size();
  int len = int(std::min(shortest, size_t(kScanMaxOffset + 1)));
  auto rank = [&](int o) {
    int sum = 0;
    for (const std::string& t : sc->texts) {
      unsigned c = uint8_t(t[size_t(o)]);
      sum += rarity(sc->fold && isLetter(c) ? c | 0x20 : c);
    }
    return sum;
  };
  int o1 = 0, o2 = 0;
  for (int o = 1; o < len; o++)
    if (rank(o) > rank(o1)) o1 = o;
  for (int o = 0; o < len; o++)
    if (o != o1 && (o2 == o1 || rank(o) > rank(o2))) o2 = o;
  if (o2 < o1) std::swap(o1, o2);
  return makeHeads(sc, o1, o2) || makeHeads(sc, o1, o1);
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

// Bit j: a head holds at b + j. All heads test the same two offsets.
template <int H, bool Plain>
inline uint32_t blockMask(const __m128i (*k)[2][3], int off1, int off2, const uint8_t* b) {
  const __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + off1));
  const __m128i v2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + off2));
  auto test = [](__m128i v, const __m128i* t) {
    if (Plain) return _mm_cmpeq_epi8(v, t[0]);
    __m128i d = _mm_sub_epi8(_mm_or_si128(v, t[2]), t[0]);
    return _mm_cmpeq_epi8(_mm_min_epu8(d, t[1]), d);
  };
  __m128i any = _mm_and_si128(test(v1, k[0][0]), test(v2, k[0][1]));
  for (int h = 1; h < H; h++) any = _mm_or_si128(any, _mm_and_si128(test(v1, k[h][0]), test(v2, k[h][1])));
  return uint32_t(_mm_movemask_epi8(any));
}

template <int H, bool Plain>
inline void loadLanes(const PrefixScan* sc, __m128i (*k)[2][3]) {
  for (int h = 0; h < H; h++)
    for (int j = 0; j < 2; j++)
      for (int q = 0; q < (Plain ? 1 : 3); q++)
        k[h][j][q] = _mm_load_si128(reinterpret_cast<const __m128i*>(sc->lanes[h][j][q]));
}

constexpr uintptr_t kPage = 4096, kReach = 16 + kScanMaxOffset;

// Under the address sanitizer every end block is read from a copy: the
// reads past the end, harmless as they are, would be reported.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kEndInPlace = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kEndInPlace = false;
#else
constexpr bool kEndInPlace = true;
#endif
#else
constexpr bool kEndInPlace = true;
#endif

// The first block at or after i (in steps of 16) where a head holds, with
// its bits in *hits; -1 if none. A block that would read past the subject
// reads in place when the reads stay on the page of its last bytes (so
// cannot fault; bytes past the end only make heads hold where no text fits,
// and their bits are dropped); where they would not, the block is returned
// with *hits 0 for tailHits. Nothing here calls out, so the compare
// operands stay in registers.
template <int H, bool Plain>
inline int32_t nextHits(const PrefixScan* sc, const uint8_t* s, int32_t n, int32_t i,
                        uint32_t* hits) {
  __m128i k[H][2][3];
  loadLanes<H, Plain>(sc, k);
  const int off1 = sc->heads[0][0].off, off2 = sc->heads[0][1].off;
  for (; i < n; i += 16) {
    const uint8_t* b = s + i;
    uint32_t keep = ~uint32_t(0);
    if (i + 16 + off2 > n) {
      if (!kEndInPlace || (uintptr_t(b) & (kPage - 1)) > kPage - kReach) {
        *hits = 0;
        return i;
      }
      if (n - i < 16) keep = (uint32_t(1) << (n - i)) - 1;
    }
    if (uint32_t m = blockMask<H, Plain>(k, off1, off2, b) & keep) {
      *hits = m;
      return i;
    }
  }
  return -1;
}

// The bits of the block at i, read from a zero-padded copy of the subject's
// last bytes.
template <int H, bool Plain>
uint32_t tailHits(const PrefixScan* sc, const uint8_t* s, int32_t n, int32_t i) {
  alignas(16) uint8_t buf[kReach] = {};
  memcpy(buf, s + i, size_t(n - i));
  __m128i k[H][2][3];
  loadLanes<H, Plain>(sc, k);
  uint32_t m = blockMask<H, Plain>(k, sc->heads[0][0].off, sc->heads[0][1].off, buf);
  return n - i < 16 ? m & ((uint32_t(1) << (n - i)) - 1) : m;
}

template <int H, bool Plain>
int32_t scanBlocks(const PrefixScan* sc, const uint8_t* s, int32_t n, int32_t from, int* which) {
  for (int32_t i = from; i < n; i += 16) {
    uint32_t m;
    i = nextHits<H, Plain>(sc, s, n, i, &m);
    if (i < 0) return -1;
    if (!m) m = tailHits<H, Plain>(sc, s, n, i);
    for (; m; m &= m - 1) {
      int32_t p = i + __builtin_ctz(m);
      if (confirm(sc, s, n, p, which)) return p;
    }
  }
  return -1;
}

template <bool Plain>
auto blockScanFor(int nheads) {
  static const decltype(PrefixScan::blocks) kByHeads[] = {
      scanBlocks<1, Plain>, scanBlocks<2, Plain>, scanBlocks<3, Plain>, scanBlocks<4, Plain>,
      scanBlocks<5, Plain>, scanBlocks<6, Plain>, scanBlocks<7, Plain>, scanBlocks<8, Plain>};
  return kByHeads[nheads - 1];
}
static_assert(kScanMaxHeads == 8, "one block loop per head count");

// Chooses the block loop once the heads are known.
void chooseLoop(PrefixScan* sc) {
  if (sc->nheads) sc->blocks = sc->plain ? blockScanFor<true>(sc->nheads) : blockScanFor<false>(sc->nheads);
}

#else

void chooseLoop(PrefixScan*) {}

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
  if (sc->texts.empty() || !placeHeads(sc, rarity)) sc->nheads = 0;
  settle(sc);
  chooseLoop(sc);
}

void prefixScanSet(PrefixScan* sc, const uint8_t bits[32]) {
  sc->texts.clear();
  sc->fold = false;
  sc->nheads = 0;
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
  chooseLoop(sc);
}

int32_t prefixScanFind(const PrefixScan* sc, const uint8_t* s, int32_t n, int32_t from,
                       int* which) {
  *which = 0;
  if (from >= n || sc->nheads == 0) return -1;
#if defined(__SSE2__)
  return sc->blocks(sc, s, n, from, which);
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
