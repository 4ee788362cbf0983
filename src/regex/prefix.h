// A scan for the places where a match can begin, many bytes at a time.
//
// It is built either from literal texts (every match begins with one of
// them) or from the byte ranges of a pattern's first-character set. Each
// text contributes a *head*: a test of its bytes at two offsets from its
// start, the same two for every text (those where the texts' bytes are
// rarest), so that a block needs only two loads; a range set contributes one
// head per range. Blocks of 16 positions are tested against every head at
// once with vector compares; a position whose head holds is confirmed by
// comparing the whole text there. The answer is the first position at or
// after the search start where some text occurs (or a range byte stands),
// which is exactly where the first match can begin, never later.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

inline constexpr int kScanMaxHeads = 8;
inline constexpr int kScanMaxOffset = 15;   // offsets of a head's bytes in its text

// One byte test: the byte at `off` from the candidate position, with `orMask`
// or-ed in (0x20 folds letters), lies in lo..lo+span.
struct ScanTerm {
  uint8_t off, orMask, lo, span;
};

struct PrefixScan {
  int nheads = 0;            // 0: no scan (the caller uses its own road)
  ScanTerm heads[kScanMaxHeads][2];   // both terms hold; a one-term head repeats it
  // Each term's lo, span and orMask repeated in 16 lanes, for the block test.
  alignas(16) uint8_t lanes[kScanMaxHeads][2][3][16];
  bool plain = true;         // every term is one byte, without folding
  bool fold = false;         // letters in `texts` match either case
  std::vector<std::string> texts;   // longest first; confirmed at a candidate; empty: heads decide
  bool set[256] = {};        // for a byte set: its members
  // The block loop for this head count and kind of test.
  int32_t (*blocks)(const PrefixScan*, const uint8_t*, int32_t, int32_t, int*) = nullptr;
};

// A scan for `texts` (none empty), folding letters if `fold`; `rarity`
// ranks bytes, higher for bytes less likely in text. Leaves nheads 0 when
// the texts need more heads than a block can test.
void prefixScanTexts(PrefixScan* sc, const std::vector<std::string>& texts, bool fold,
                     int (*rarity)(unsigned));
// A scan for the bytes of the set `bits` (bit c: byte c); nheads stays 0
// when the set has more than kScanMaxHeads ranges.
void prefixScanSet(PrefixScan* sc, const uint8_t bits[32]);

// First position >= from in s[0..n) where a text occurs (entirely within
// n) or a byte of the set stands; -1 if none. *which receives the index of
// the first text (in `texts` order, so the longest) that occurs there.
int32_t prefixScanFind(const PrefixScan* sc, const uint8_t* s, int32_t n, int32_t from,
                       int* which);

// prefixScanFind for callers that search again and again: a set byte is
// often near (the next digit of a record), so the first bytes are looked at
// here, one by one, before the call and the block set-up are paid for.
inline int32_t prefixScanNext(const PrefixScan* sc, const uint8_t* s, int32_t n, int32_t from,
                              int* which) {
  constexpr int32_t kNearBytes = 16;
  if (sc->texts.empty() && sc->nheads) {
    for (int32_t end = n - from > kNearBytes ? from + kNearBytes : n; from < end; from++)
      if (sc->set[s[from]]) return from;
  }
  return prefixScanFind(sc, s, n, from, which);
}

// True if text t occurs at s + p, within n, under the scan's folding.
bool prefixTextAt(const PrefixScan* sc, const std::string& t, const uint8_t* s, int32_t n,
                  int32_t p);
