// The lazily built deterministic automaton behind accelSearch (accel.h).
#pragma once
#include <cstddef>
#include <cstdint>

#include "regex/pattern.h"
#include "regex/prefix.h"

struct Dfa;

// Match modes an automaton is built for; they change which thread wins.
enum : int {
  kDfaFold = 1,      // case folding in force
  kDfaFirst = 2,     // first-match mode (flag 64)
  kDfaNoEmpty = 4,   // empty matches refused (flag 16)
  kDfaExists = 8,    // only whether a match exists (not with kDfaNoEmpty)
};

// A new, empty automaton for pattern p in `mode`, holding at most `budget`
// bytes of states and transitions. With no attempt alive it skips ahead with
// `scan` when that is a scan for texts (it must outlive the automaton).
Dfa* dfaNew(const AwkPattern* p, int mode, size_t budget, const PrefixScan* scan);
void dfaFree(Dfa* d);

// Searches subject[i0..len) where i0 is the first start position the
// simulation would try (a byte of the first-character set, or len when the
// pattern can match empty); `^` holds at i0 when atAnchor. Returns 1 with
// *ms, *me set, 0 for no match, or -1 when the automaton gave up (its cache
// thrashes or a state holds too many attempts); nothing is left half done.
int dfaSearch(Dfa* d, const uint8_t* subject, int32_t len, int32_t i0, bool atAnchor,
              int32_t* ms, int32_t* me);

// For an automaton made with kDfaExists: 1 if the search dfaSearch would do
// finds a match, 0 if not, -1 when the automaton gave up. Cheaper than
// dfaSearch, which must follow every attempt's start.
int dfaExists(Dfa* d, const uint8_t* subject, int32_t len, int32_t i0, bool atAnchor);

// Cache resets since the automaton was made.
uint64_t dfaResets(const Dfa* d);
