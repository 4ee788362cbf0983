// Facts about a node program that allow shortcuts: whether every match is one
// fixed text, a byte that every match must contain, and the texts every
// match begins with.
//
// A required byte is one that every path from the start node to accept
// consumes through a one-byte class node: if the subject lacks that byte,
// nothing can match. The check is a reachability walk per candidate byte with
// all its one-byte nodes blocked, so it is only made for programs of modest
// size. Among several candidates
// the one least likely in ordinary text is kept, to make the quick reject
// as selective as possible.
//
// The texts a match begins with come from a walk of every path from the
// start, collecting the bytes of one-byte class nodes; a path's text ends at
// accept, or, cut short, at any other consuming node, an end anchor or a
// backreference. A cut text still begins every match on its path, so the set
// is a sound filter; when no path was cut and none passed a start anchor,
// the set is exactly the matches. A path that can end with no text, too
// many texts or too long a walk leaves the pattern without a text set.
#include <algorithm>
#include <cstring>
#include <vector>

#include "regex/accel.h"

namespace {

constexpr int32_t kMaxAnalyzedWords = 4096;
constexpr int kMaxCandidates = 32;

bool isLetter(unsigned c) { return (c | 32) >= 'a' && (c | 32) <= 'z'; }

constexpr int kMaxTexts = 16;
constexpr size_t kMaxTextLength = 64;
constexpr int kWalkBudget = 4096;

}  // namespace

int byteRarity(unsigned c) {
  static const char kCommon[] = " etaoinshrdlcumwfgypbvkjxqz";
  if (c >= 'A' && c <= 'Z') return 24;
  if (const char* q = c ? strchr(kCommon, int(c)) : nullptr) return int(q - kCommon);
  if (c >= '0' && c <= '9') return 12;
  if (c == '.' || c == ',' || c == '-' || c == '_' || c == '/' || c == ':') return 20;
  if (c >= 0x21 && c < 0x7f) return 26;
  return 28;   // control bytes, newline inside a record, bytes of 128 and above
}

namespace {

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

// The node after x and any nodes that neither consume nor test.
uint16_t skipQuiet(const uint16_t* w, uint16_t x) {
  while (x && (int16_t(w[x]) == kNodeEmpty || int16_t(w[x]) == kNodeOpen ||
               int16_t(w[x]) == kNodeClose))
    x = w[x + 1];
  return x;
}

// The texts every match begins with (see the top of the file).
struct TextWalk {
  const uint16_t* w;
  std::vector<std::string> texts;
  bool exact = true, failed = false;
  int budget = kWalkBudget;

  void finish(const std::string& text) {
    if (std::find(texts.begin(), texts.end(), text) != texts.end()) return;
    if (text.empty() || texts.size() == size_t(kMaxTexts)) failed = true;
    else texts.push_back(text);
  }

  void walk(uint16_t x, std::string text) {
    for (;;) {
      if (failed || --budget < 0) {
        failed = true;
        return;
      }
      x = skipQuiet(w, x);
      if (x == 0) return finish(text);
      int16_t t = int16_t(w[x]);
      if (t > 0) {
        int b = singleByte(w, x, false);   // folded letters: the scan takes either case
        if (b < 0 || text.size() == kMaxTextLength) {
          exact = false;
          return finish(text);
        }
        text += char(b);
        x = w[x + t + 1];
      } else if (t == kNodeSplit) {
        walk(w[x + 1], text);
        x = w[x + 2];
      } else if (t == kNodeBol) {
        exact = false;
        x = w[x + 1];
      } else {   // end anchor, backreference
        exact = false;
        return finish(text);
      }
    }
  }
};

// 1 if p is one class node (a match is one byte of the first-character
// set), 2 if it is one class node repeated at will ("[0-9]+": a match is a
// run of such bytes), else 0. The class must consume exactly the set's bytes.
int classRun(const AwkPattern* p, bool fold) {
  const uint16_t* w = p->words();
  uint16_t x = skipQuiet(w, p->start);
  if (x == 0 || int16_t(w[x]) <= 0) return 0;
  int t = int16_t(w[x]);
  for (unsigned c = 0; c < 256; c++) {
    bool takes = false;
    for (unsigned b : {c, fold && c < 128 && isLetter(c) ? c ^ 32 : c})
      for (int k = 0; k < t; k++) takes = takes || ((w[x + 1 + k] >> 8) <= b && b <= (w[x + 1 + k] & 0xffu));
    if (takes != p->inFirstSet(c)) return 0;
  }
  uint16_t y = skipQuiet(w, w[x + t + 1]);
  if (y == 0) return 1;
  if (int16_t(w[y]) != kNodeSplit) return 0;
  uint16_t a = skipQuiet(w, w[y + 1]), b = skipQuiet(w, w[y + 2]);
  return (a == x && b == 0) || (a == 0 && b == x) ? 2 : 0;
}

// The scan of where a match of p can begin, and whether its texts are
// exactly the matches.
void findStarts(const AwkPattern* p, bool fold, PatternFacts* f) {
  if (p->anchored) return;
  TextWalk k;
  k.w = p->words();
  k.walk(p->start, std::string());
  if (!k.failed) {
    prefixScanTexts(&f->scan, k.texts, fold, byteRarity);
    f->exactSet = k.exact && f->scan.nheads > 0;
  }
  if (f->scan.nheads > 0) return;
  f->run = classRun(p, fold);
  if (p->has_first && !f->run) return;
  bool full = true;
  for (uint8_t b : p->firstset) full = full && b == 0xff;
  if (!full) prefixScanSet(&f->scan, p->firstset);
  if (!f->scan.nheads) f->run = 0;
}

// The two offsets of a literal whose bytes a search looks for together:
// the rarest byte, then the rarest other one, preferring a byte of another
// value (a run such as "aaaa" then takes its two ends). A static guess at
// rarity can be wrong for a given input; asking for two bytes at once keeps
// a wrong guess from turning into a candidate at every few bytes.
void choosePair(PatternFacts* f) {
  const std::string& t = f->text;
  auto rarer = [&](size_t j, size_t k) {
    return byteRarity(uint8_t(t[j])) > byteRarity(uint8_t(t[k]));
  };
  size_t r = 0;
  for (size_t j = 1; j < t.size(); j++)
    if (rarer(j, r)) r = j;
  size_t q = r == 0 ? t.size() - 1 : 0;
  for (size_t j = 0; j < t.size(); j++) {
    if (j == r) continue;
    const bool differs = t[j] != t[r], qDiffers = t[q] != t[r];
    if ((differs && !qDiffers) || (differs == qDiffers && rarer(j, q))) q = j;
  }
  f->rareAt = int32_t(r);
  f->pairAt = int32_t(q);
}

}  // namespace

void analyzePattern(const AwkPattern* p, bool fold, PatternFacts* f) {
  f->tooLarge = (int32_t(p->ngroups) + 7 * int32_t(p->nthreads)) * 4 + 8 > 32699;
  f->required = -1;
  f->rareAt = f->pairAt = 0;
  f->exactSet = false;
  f->run = 0;
  f->scan = PrefixScan();
  f->literal = literalText(p, fold, &f->text);
  if (!f->literal) findStarts(p, fold, f);
  if (f->literal) {
    choosePair(f);
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
    if (f->required >= 0 && byteRarity(unsigned(b)) <= byteRarity(unsigned(f->required))) continue;
    if (!reachesAccept(p, b, fold, seen)) f->required = b;
  }
}
