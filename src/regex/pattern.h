// The compiled pattern: an immutable node program of 16-bit words plus the
// facts the matcher uses to skip start positions. The header fills the first
// 30 words of the object, so the node program continues the same word array
// and no node ever has index 0 (the link value 0 means accept).
//
// Node encodings (every node is preceded by a mark word; a node's index is the
// word after its mark):
//   n >= 1  character class: n range words (first byte << 8 | last byte), link
//   -1      empty: link
//   -2      start anchor: link
//   -3      end anchor: link
//   -4      split: first branch, second branch
//   -5      group open: link, group number + 1
//   -6      group close: link, group number + 1
//   -7      backreference: link, group number (from 0)
#pragma once
#include <cstddef>
#include <cstdint>

#include "values/strobj.h"

enum : uint16_t {
  kReFold = 1,        // ASCII letters also match their other case
  kReNoSource = 4,    // do not keep a copy of the source text
  kReNoEmpty = 16,    // matcher: an empty match is not accepted
  kReGroups = 32,     // track group start and end positions
  kReFirst = 64,      // the first match found at the leftmost start wins
  kReString = 128,    // compiled from a string (carried only)
  kReHasBol = 0x1000,
  kReHasEol = 0x2000,
  kReNested = 0x4000,   // a group whose whole content is one group
  kReBackref = 0x8000,
};

enum : int16_t {
  kNodeEmpty = -1,
  kNodeBol = -2,
  kNodeEol = -3,
  kNodeSplit = -4,
  kNodeOpen = -5,
  kNodeClose = -6,
  kNodeBackref = -7,
};

inline constexpr int kPatternHeaderWords = 30;
inline constexpr uint16_t kEmptyRange = 0x0201;   // a range that matches nothing

struct AwkPattern {
  uint16_t refcnt;        // use count; read as the first u16 by _refcnt
  uint16_t nthreads;      // thread capacity: 1 + classes + backreferences
  uint16_t ngroups;
  uint16_t flags;
  AwkString* source;      // copy of the pattern text, or null
  uint16_t start;         // entry node
  uint16_t length;        // words used, header included
  uint8_t anchored;       // the entry node is a start anchor
  uint8_t has_first;      // single first byte present
  uint8_t first;
  uint8_t first_other;    // other case of `first` (itself if not a letter)
  uint8_t firstset[32];   // bit c: a match can begin with byte c
  uint32_t accel;         // matcher's cache of derived automata (0 = none yet)
  uint16_t prog[];        // node words from index 30 (see words())

  // The whole object as words: node x lives at words()[x].
  uint16_t* words() { return reinterpret_cast<uint16_t*>(this); }
  const uint16_t* words() const { return reinterpret_cast<const uint16_t*>(this); }
  bool inFirstSet(unsigned c) const { return (firstset[c >> 3] >> (c & 7)) & 1; }
};
static_assert(offsetof(AwkPattern, prog) == kPatternHeaderWords * 2,
              "the header is 30 words");
