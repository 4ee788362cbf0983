// The fast roads of a search and the side records that hold a pattern's
// derived data (see accel.h).
//
// A side record is found through the pattern's `accel` word, an index + 1
// into a process-wide table, so finding it costs one load. It holds the
// analysis (for folding off and on) and one automaton per match mode in
// use, in a slot indexed by the mode's bits (dfa.h). Everything here decides whether a road applies before taking it;
// a road never returns an answer that the simulation would not give.
#include "regex/accel.h"

#include <cstring>
#include <vector>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "regex/dfa.h"
#include "regex/regex.h"

namespace {

constexpr size_t kDefaultBudget = size_t(4) << 20;
constexpr int kMaxGiveUps = 3;   // then the pattern stays with the simulation
constexpr uint32_t kSearchWindow = 4096;   // searches weighed for the choice of road

struct Accel {
  PatternFacts* facts[2];   // by folding; null until analyzed (a pointer keeps the
                            // record small and finding the facts one load)
  Dfa* dfa[16];            // by mode bits (dfa.h)
  int giveUps;
  uint32_t searches, found;   // recent automaton searches and how many matched
};

// Never destroyed: patterns still cached at exit keep their records, which
// must stay reachable (and valid) until the very end of the process.
std::vector<Accel*>& records = *new std::vector<Accel*>();
std::vector<uint32_t>& freeRecords = *new std::vector<uint32_t>();
bool enabled = true;
size_t budget = kDefaultBudget;
AccelStats stats;

Accel* accelOf(AwkPattern* p) {
  if (p->accel) return records[p->accel - 1];
  Accel* a = new Accel();
  uint32_t idx;
  if (!freeRecords.empty()) {
    idx = freeRecords.back();
    freeRecords.pop_back();
    records[idx] = a;
  } else {
    idx = uint32_t(records.size());
    records.push_back(a);
  }
  p->accel = idx + 1;
  return a;
}

// First occurrence of the literal f.text in s[from..n); -1 if none.
//
// Each step looks at 16 possible starts at once: a start is a candidate when
// the literal's rarest byte (rareAt) and the next rarest (pairAt) both stand
// where they would, and only candidates are compared in full. A pair is far
// less common than either byte, even where the guess at which bytes are rare
// is wrong for the input at hand.
[[gnu::always_inline]] inline int32_t findLiteral(const uint8_t* s, int32_t n, int32_t from,
                                                 const PatternFacts& f) {
  const int32_t len = int32_t(f.text.size());
  const uint8_t* lit = reinterpret_cast<const uint8_t*>(f.text.data());
  if (n - from < len) return -1;
  if (len == 1) {
    const void* hit = memchr(s + from, lit[0], size_t(n - from));
    return hit ? int32_t(static_cast<const uint8_t*>(hit) - s) : -1;
  }
  const int32_t r = f.rareAt, q = f.pairAt;
  const int32_t last = n - len;   // the last possible start
#if defined(__SSE2__)
  if (last - from >= 15) {
    // Starts at..at+15 per step; at + 15 <= last keeps both loads inside s,
    // as r and q are below len. The last step is moved back to end at
    // `last`: the starts it looks at again were no match.
    const __m128i wantR = _mm_set1_epi8(char(lit[r])), wantQ = _mm_set1_epi8(char(lit[q]));
    for (int32_t at = from;; at += 16) {
      if (at + 15 > last) {
        if (at > last) return -1;
        at = last - 15;
      }
      const __m128i atR = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + at + r));
      const __m128i atQ = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + at + q));
      unsigned m = unsigned(_mm_movemask_epi8(
          _mm_and_si128(_mm_cmpeq_epi8(atR, wantR), _mm_cmpeq_epi8(atQ, wantQ))));
      for (; m; m &= m - 1) {
        const int32_t c = at + __builtin_ctz(m);
        if (memcmp(s + c, lit, size_t(len)) == 0) return c;
      }
    }
  }
#endif
  // Short subjects: from one place of the rarest byte to the next.
  for (const uint8_t* p = s + from + r; p <= s + last + r; p++) {
    p = static_cast<const uint8_t*>(memchr(p, lit[r], size_t(s + last + r + 1 - p)));
    if (!p) return -1;
    const uint8_t* c = p - r;
    if (c[q] == lit[q] && memcmp(c, lit, size_t(len)) == 0) return int32_t(c - s);
  }
  return -1;
}

bool setIsFull(const AwkPattern* p) {
  for (uint8_t b : p->firstset)
    if (b != 0xff) return false;
  return true;
}

// The first position >= q at which the simulation starts an attempt that
// can succeed, or -1.
int32_t firstStart(const AwkPattern* p, const PatternFacts& f, const uint8_t* s, int32_t n,
                   int32_t q, bool fold) {
  int which;
  if (f.scan.nheads) return prefixScanNext(&f.scan, s, n, q, &which);
  if (p->has_first) {
    if (q >= n) return -1;
    if (fold && p->first != p->first_other) {
      for (; q < n; q++)
        if (s[q] == p->first || s[q] == p->first_other) return q;
      return -1;
    }
    const void* hit = memchr(s + q, p->first, size_t(n - q));
    return hit ? int32_t(static_cast<const uint8_t*>(hit) - s) : -1;
  }
  if (q >= n) return setIsFull(p) ? q : -1;
  if (p->inFirstSet(s[q])) return q;
  if (p->anchored) return -1;
  for (q++; q < n; q++)
    if (p->inFirstSet(s[q])) return q;
  return -1;
}

// The end of the match the scan found at `at` for a pattern whose matches
// are exactly its texts (`which` is the longest there) or runs of one class.
// The start is the leftmost; the longest match from it wins, or in
// first-match mode the shortest (the first the simulation would see end).
int32_t scannedEnd(const PatternFacts& f, const uint8_t* s, int32_t n, int32_t at, int which,
                   bool first) {
  if (f.run) {
    int32_t e = at + 1;
    if (f.run == 2 && !first)
      while (e < n && f.scan.set[s[e]]) e++;
    return e;
  }
  const std::vector<std::string>& texts = f.scan.texts;
  if (first) {
    for (size_t k = texts.size(); k-- > size_t(which);)
      if (prefixTextAt(&f.scan, texts[k], s, n, at)) return at + int32_t(texts[k].size());
  }
  return at + int32_t(texts[size_t(which)].size());
}

// The roads past the literal search (a piece of accelSearch).
[[gnu::always_inline]] inline FastResult searchOther(AwkPattern* p, Accel* a, const PatternFacts& f,
                                         const uint8_t* s, int32_t n, int32_t start,
                                         int32_t anchorpos, int flags, bool groups, bool fold,
                                         int32_t* ms, int32_t* me) {
  if (f.required >= 0 && !memchr(s + start, f.required, size_t(n - start))) {
    stats.rejected++;
    return FastResult::NoMatch;
  }
  if (groups) return FastResult::Declined;
  if (f.exactSet || f.run) {
    stats.scanned++;
    int which;
    int32_t at = prefixScanNext(&f.scan, s, n, start, &which);
    if (at < 0) return FastResult::NoMatch;
    *ms = at;
    *me = scannedEnd(f, s, n, at, which, flags & kReFirst);
    return FastResult::Match;
  }
  int32_t i0 = firstStart(p, f, s, n, start, fold);
  if (i0 < 0) {
    stats.dfa++;
    return FastResult::NoMatch;
  }
  if (a->giveUps >= kMaxGiveUps) return FastResult::Declined;
  if (a->searches >= kSearchWindow) {
    a->searches /= 2;
    a->found /= 2;
  }
  a->searches++;
  // When most searches find nothing (a filter), first ask the cheaper
  // automaton whether there is a match at all. It cannot tell an empty match
  // from another, so not under flag 16.
  if (!(flags & kReNoEmpty) && (a->searches < kSearchWindow / 64 || a->found * 2 < a->searches)) {
    Dfa*& e = a->dfa[kDfaExists | (fold ? kDfaFold : 0)];
    if (!e) e = dfaNew(p, kDfaExists | (fold ? kDfaFold : 0), budget, &f.scan);
    uint64_t resets = dfaResets(e);
    int r = dfaExists(e, s, n, i0, i0 == anchorpos);
    stats.resets += dfaResets(e) - resets;
    if (r == 0) {
      stats.dfa++;
      return FastResult::NoMatch;
    }
  }
  int mode = (fold ? kDfaFold : 0) | (flags & kReFirst ? kDfaFirst : 0) |
             (flags & kReNoEmpty ? kDfaNoEmpty : 0);
  Dfa*& d = a->dfa[mode];
  if (!d) d = dfaNew(p, mode, budget, &f.scan);
  uint64_t resets = dfaResets(d);
  int r = dfaSearch(d, s, n, i0, i0 == anchorpos, ms, me);
  stats.resets += dfaResets(d) - resets;
  if (r < 0) {
    a->giveUps++;
    stats.declined++;
    return FastResult::Declined;
  }
  stats.dfa++;
  a->found += r;
  return r ? FastResult::Match : FastResult::NoMatch;
}

}  // namespace

FastResult accelSearch(AwkPattern* p, const uint8_t* s, int32_t n, int32_t start,
                       int32_t anchorpos, int flags, int32_t* ms, int32_t* me) {
  if (!enabled || start < 0 || start > n || anchorpos > start) return FastResult::Declined;
  // Folding asked for by the caller alone is left to the simulation: the
  // first-character set was made without it.
  bool fold = flags & kReFold;
  if (fold && !(p->flags & kReFold)) return FastResult::Declined;
  Accel* a = accelOf(p);
  if (!a->facts[fold]) {
    a->facts[fold] = new PatternFacts();
    analyzePattern(p, fold, a->facts[fold]);
  }
  const PatternFacts& f = *a->facts[fold];
  if (f.tooLarge) return FastResult::Declined;
  const bool groups = (flags & kReGroups) && p->ngroups > 0;
  if (f.literal && !groups) {
    stats.literal++;
    int32_t at = findLiteral(s, n, start, f);
    if (at < 0) return FastResult::NoMatch;
    *ms = at;
    *me = at + int32_t(f.text.size());
    return FastResult::Match;
  }
  return searchOther(p, a, f, s, n, start, anchorpos, flags, groups, fold, ms, me);
}

// A pattern searched once already (and so analyzed) that is a plain text
// is looked for here directly: the answer accelSearch would give, without
// the matcher's set-up. Anything else takes the matcher's road.
bool awk_rematches(AwkPattern* p, const char* subject, int32_t len, int flags) {
  if (p && enabled && p->accel) {
    flags |= p->flags;
    const bool fold = flags & kReFold;
    const PatternFacts* f = records[p->accel - 1]->facts[fold];
    if (f && f->literal && !f->tooLarge && (!fold || (p->flags & kReFold)) &&
        !((flags & kReGroups) && p->ngroups > 0))
      return findLiteral(reinterpret_cast<const uint8_t*>(subject), len, 0, *f) >= 0;
  }
  return awk_erematch(p, subject, len, 0, 0, flags) != 0;
}

int32_t awk_literalat(AwkPattern* p, const char* subject, int32_t len) {
  if (!p || !enabled || !p->accel || (p->flags & kReFold)) return -2;
  const PatternFacts* f = records[p->accel - 1]->facts[0];
  if (!f || f->tooLarge) return -2;
  const auto* s = reinterpret_cast<const uint8_t*>(subject);
  if (f->literal) return findLiteral(s, len, 0, *f);
  int which;
  return f->exactSet ? prefixScanNext(&f->scan, s, len, 0, &which) : -2;
}

const bool* awk_rerunset(AwkPattern* p) {
  if (!p || !enabled || !p->accel || (p->flags & kReFold)) return nullptr;
  const PatternFacts* f = records[p->accel - 1]->facts[0];
  return f && !f->tooLarge && f->run == 2 ? f->scan.set : nullptr;
}

void accelRelease(AwkPattern* p) {
  if (!p->accel) return;
  Accel* a = records[p->accel - 1];
  for (Dfa* d : a->dfa)
    if (d) dfaFree(d);
  for (PatternFacts* f : a->facts) delete f;
  delete a;
  freeRecords.push_back(p->accel - 1);
  records[p->accel - 1] = nullptr;
  p->accel = 0;
}

void accelEnable(bool on) { enabled = on; }

void accelSetBudget(size_t bytes) { budget = bytes ? bytes : kDefaultBudget; }

AccelStats accelStats() { return stats; }
