// Faster roads to the matcher's exact answer, for searches that do not track
// groups: a literal search for patterns that are one fixed text, a quick
// reject when a byte that every match must contain is absent, and a lazily
// built deterministic automaton (dfa.h) for everything else. Each road gives
// the same match start and end as the thread simulation in match.cpp; the
// simulation stays the reference and the fallback.
//
// The derived data of a pattern lives in a side record found through the
// pattern's `accel` index and dies with the pattern (accelRelease).
#pragma once
#include <cstdint>
#include <string>

#include "regex/pattern.h"
#include "regex/prefix.h"

struct Dfa;

// What the analysis of a node program found; computed once per pattern.
struct PatternFacts {
  bool tooLarge;        // the simulation refuses the pattern: leave it to it
  bool literal;         // every match is exactly `text`, no anchors
  std::string text;     // the literal, when `literal`
  int32_t rareAt;       // offset in `text` of its rarest byte
  int32_t pairAt;       // offset of the next rarest, another offset if len > 1
  int required;         // a byte every match contains, or -1
  bool exactSet;        // the matches are exactly scan.texts (no anchors)
  int run;              // 1: a match is one byte of scan.set; 2: a run of them
  PrefixScan scan;      // where a match can begin; nheads 0: no scan
};

// How unlikely byte c is in ordinary text, higher for rarer bytes.
int byteRarity(unsigned c);

// Fills `f` for pattern p. `fold` says whether case folding will be in force
// (a letter is then no single byte).
void analyzePattern(const AwkPattern* p, bool fold, PatternFacts* f);

// Outcome of accelSearch.
enum class FastResult { NoMatch, Match, Declined };

// Searches like awk_erematch without group tracking; `flags` are the
// pattern's flags combined with the caller's. On Match, *ms and *me are the
// match start and exclusive end. Declined: the caller must run the
// simulation (the pattern is refused by it, has no automaton within its
// budget, or the arguments are outside what the roads cover).
FastResult accelSearch(AwkPattern* p, const uint8_t* subject, int32_t len, int32_t start,
                       int32_t anchorpos, int flags, int32_t* ms, int32_t* me);

// Frees the side record of a pattern about to be freed.
void accelRelease(AwkPattern* p);

// Test and benchmark controls: switch the fast roads off (every search goes
// to the simulation), bound each automaton's memory, and count which road
// answered.
struct AccelStats {
  uint64_t literal, rejected, dfa, declined, resets, scanned;
};
void accelEnable(bool on);
void accelSetBudget(size_t bytes);   // 0 restores the default
AccelStats accelStats();
