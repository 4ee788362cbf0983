// Facts about a node program that allow shortcuts: whether every match is one
// fixed text, and a byte that every match must contain.
//
// A required byte is one that every path from the start node to accept
// consumes through a one-byte class node: if the subject lacks that byte,
// nothing can match. The check is a reachability walk per candidate byte with
// all its one-byte nodes blocked, so it is only made for programs of modest
// size. Among several candidates
// the one least likely in ordinary text is kept, to make the quick reject
// as selective as possible.
#include <cstring>
#include <vector>

#include "regex/accel.h"

namespace {

constexpr int32_t kMaxAnalyzedWords = 4096;
constexpr int kMaxCandidates = 32;

bool isLetter(unsigned c) { return (c | 32) >= 'a' && (c | 32) <= 'z'; }

// How unlikely byte c is in ordinary text, higher for rarer bytes.
int rarity(unsigned c) {
  static const char kCommon[] = " etaoinshrdlcumwfgypbvkjxqz";
  if (c >= 'A' && c <= 'Z') return 24;
  if (const char* q = c ? strchr(kCommon, int(c)) : nullptr) return int(q - kCommon);
  if (c >= '0' && c <= '9') return 12;
  if (c == '.' || c == ',' || c == '-' || c == '_' || c == '/' || c == ':') return 20;
  if (c >= 0x21 && c < 0x7f) return 26;
  return 28;   // control bytes, newline inside a record, bytes of 128 and above
}

// The single byte a class node stands for, or -1.
int singleByte(const uint16_t* w, uint16_t x, bool fold) {
  if (w[x] != 1) return -1;
  unsigned lo = w[x + 1] >> 8, hi = w[x + 1] & 0xff;
  if (lo != hi || (fold && isLetter(lo))) return -1;
  return int(lo);
}

// True if accept can be reached from the start without consuming byte b
// through a one-byte class node.
bool reachesAccept(const AwkPattern* p, int b, bool fold, std::vector<uint8_t>& seen) {
  const uint16_t* w = p->words();
  std::fill(seen.begin(), seen.end(), 0);
  std::vector<uint16_t> stack{p->start};
  while (!stack.empty()) {
    uint16_t x = stack.back();
    stack.pop_back();
    if (x == 0) return true;
    if (seen[x] || (int16_t(w[x]) > 0 && singleByte(w, x, fold) == b)) continue;
    seen[x] = 1;
    int16_t t = int16_t(w[x]);
    if (t > 0) {
      stack.push_back(w[x + t + 1]);
    } else if (t == kNodeSplit) {
      stack.push_back(w[x + 1]);
      stack.push_back(w[x + 2]);
    } else {
      stack.push_back(w[x + 1]);
    }
  }
  return false;
}

// The text of a program that is a plain chain of one-byte classes (groups
// and empty nodes allowed, no branch, anchor or backreference); false if it
// is anything else or matches only the empty string.
bool literalText(const AwkPattern* p, bool fold, std::string* text) {
  const uint16_t* w = p->words();
  text->clear();
  for (uint16_t x = p->start; x != 0;) {
    int16_t t = int16_t(w[x]);
    if (t > 0) {
      int b = singleByte(w, x, fold);
      if (b < 0) return false;
      *text += char(b);
      x = w[x + 2];
    } else if (t == kNodeEmpty || t == kNodeOpen || t == kNodeClose) {
      x = w[x + 1];
    } else {
      return false;
    }
    if (text->size() > 16350) return false;   // cannot happen without a cycle
  }
  return !text->empty();
}

}  // namespace

void analyzePattern(const AwkPattern* p, bool fold, PatternFacts* f) {
  f->tooLarge = (int32_t(p->ngroups) + 7 * int32_t(p->nthreads)) * 4 + 8 > 32699;
  f->required = -1;
  f->rareAt = 0;
  f->literal = literalText(p, fold, &f->text);
  if (f->literal) {
    for (size_t j = 1; j < f->text.size(); j++)
      if (rarity(uint8_t(f->text[j])) > rarity(uint8_t(f->text[size_t(f->rareAt)])))
        f->rareAt = int32_t(j);
    return;
  }
  if (p->length > kMaxAnalyzedWords) return;
  const uint16_t* w = p->words();
  std::vector<uint8_t> seen(p->length, 0), visited(p->length, 0);
  std::vector<int> candidates;
  std::vector<uint16_t> stack{p->start};
  bool listed[256] = {};
  while (!stack.empty() && int(candidates.size()) < kMaxCandidates) {
    uint16_t x = stack.back();
    stack.pop_back();
    if (x == 0 || visited[x]) continue;
    visited[x] = 1;
    int16_t t = int16_t(w[x]);
    if (t > 0) {
      int b = singleByte(w, x, fold);
      if (b >= 0 && !listed[b]) {
        listed[b] = true;
        candidates.push_back(b);
      }
      stack.push_back(w[x + t + 1]);
    } else if (t == kNodeSplit) {
      stack.push_back(w[x + 2]);
      stack.push_back(w[x + 1]);
    } else {
      stack.push_back(w[x + 1]);
    }
  }
  for (int b : candidates) {
    if (f->required >= 0 && rarity(unsigned(b)) <= rarity(unsigned(f->required))) continue;
    if (!reachesAccept(p, b, fold, seen)) f->required = b;
  }
}
