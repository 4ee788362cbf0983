// Pattern compiler: recursive descent from pattern text to a node program of
// 16-bit words (see pattern.h for the node encodings).
//
// Each parsed piece is a fragment with one entry node and exactly one
// dangling link word, filled in with whatever follows. Intervals are built by
// re-parsing the atom's text once per copy with the group count reset, so
// every copy carries the same group numbers. Operators that repeat (`*`, `+`,
// unbounded intervals) refuse operands that may match empty; hence the
// program never holds a cycle of nodes that consume nothing, which lets the
// matcher and the first-character analysis walk paths without a cycle guard.
//
// One compilation runs at a time over the single state record `cs`. Errors
// unwind to awk_regcomp, which frees the program; warnings are remembered
// and compilation continues (the last one is reported).
#include <algorithm>
#include <cstring>
#include <vector>

#include "regex/accel.h"
#include "regex/regex.h"
#include "values/alloc.h"

namespace {

constexpr int32_t kInitialWords = 64;
constexpr int32_t kMaxWords = 16350;   // 32700 bytes

struct Frag {
  uint16_t entry;     // first node
  uint16_t out;       // index of the dangling link word
  bool empty;         // may match the empty string
  bool onegroup;      // exactly one group, nothing else
  int32_t at;         // pattern position where the piece began
  uint16_t groupsAt;  // group count at that position
};

struct CompileError {};

struct CompState {
  const uint8_t* text;
  int32_t pos;
  int32_t last;           // position of the last byte; -1 for an empty text
  const char* err;        // last diagnostic, or null
  AwkPattern* pat;        // program under construction (header + nodes)
  int32_t len;            // words used, header included
  int32_t cap;            // words allocated
  bool negated;           // inside a negated bracket: ranges are removed
  uint16_t* groups;       // per group: 0 open, 1 closed may be empty, 2 never empty
  int32_t groupcap;       // kept between compilations
  uint16_t ngroups;
  uint16_t flags;
  uint16_t nthreads;
};
CompState cs;

[[noreturn]] void fail(const char* msg) {
  cs.err = msg;
  throw CompileError{};
}

bool atEnd() { return cs.pos > cs.last; }
// The byte at the current position; past the end a letter that no rule treats
// specially.
int peek() { return cs.pos <= cs.last ? cs.text[cs.pos] : 'x'; }
bool isDigit(int c) { return c >= '0' && c <= '9'; }

uint16_t* W() { return cs.pat->words(); }

// Makes room for `need` more words, growing by at least 32.
void reserve(int32_t need) {
  if (cs.len + need <= cs.cap) return;
  int32_t newcap = std::max(cs.cap + 32, cs.len + need);
  if (newcap > kMaxWords) fail("e:pattern takes too much room");
  cs.pat = static_cast<AwkPattern*>(respace(cs.pat, newcap * 2));
  cs.cap = newcap;
}

// Appends a node of type `type` with one or two operand words; returns its
// index (the word after its mark).
uint16_t node(int16_t type, uint16_t a, int nwords = 1, uint16_t b = 0) {
  reserve(4);
  uint16_t* w = W();
  w[cs.len++] = 0;
  uint16_t idx = uint16_t(cs.len);
  w[cs.len++] = uint16_t(type);
  w[cs.len++] = a;
  if (nwords == 2) w[cs.len++] = b;
  return idx;
}

Frag simple(uint16_t idx, bool empty) { return Frag{idx, uint16_t(idx + 1), empty, false, 0, 0}; }

uint16_t classBegin() {
  reserve(4);
  W()[cs.len++] = 0;
  uint16_t idx = uint16_t(cs.len);
  W()[cs.len++] = 0;
  return idx;
}

// Removes [lo, hi] from every range of class `cls`; a range split in two
// gets its right part appended as a new range.
void classRemove(uint16_t cls, unsigned lo, unsigned hi) {
  uint16_t* w = W();
  unsigned n = w[cls];
  for (unsigned k = 1; k <= n; k++) {
    unsigned a = w[cls + k] >> 8, b = w[cls + k] & 0xff;
    if (a > b || b < lo || a > hi) continue;
    bool left = a < lo, right = b > hi;
    if (!left && !right) {
      w[cls + k] = kEmptyRange;
    } else if (left && !right) {
      w[cls + k] = uint16_t(a << 8 | (lo - 1));
    } else if (!left) {
      w[cls + k] = uint16_t((hi + 1) << 8 | b);
    } else {
      w[cls + k] = uint16_t(a << 8 | (lo - 1));
      w[cs.len++] = uint16_t((hi + 1) << 8 | b);
      w[cls]++;
    }
  }
}

void classRange(uint16_t cls, unsigned lo, unsigned hi) {
  reserve(5);
  if (cs.negated) {
    classRemove(cls, lo, hi);
    return;
  }
  uint16_t* w = W();
  w[cs.len++] = uint16_t(lo << 8 | hi);
  w[cls]++;
}

Frag classEnd(uint16_t cls) {
  reserve(5);
  W()[cs.len++] = 0;
  cs.nthreads++;
  return Frag{cls, uint16_t(cs.len - 1), false, false, 0, 0};
}

Frag literal(unsigned c) {
  uint16_t cls = classBegin();
  classRange(cls, c, c);
  return classEnd(cls);
}

// Reads an escape whose backslash has been consumed and at least one byte
// follows; returns the byte it stands for.
unsigned escape() {
  int c = cs.text[cs.pos++];
  if (isDigit(c)) {
    unsigned v = unsigned(c - '0');
    for (int k = 0; k < 2 && !atEnd() && peek() >= '0' && peek() <= '7'; k++)
      v = v * 8 + unsigned(cs.text[cs.pos++] - '0');
    if (v > 255) {
      cs.err = "w:invalid backslash escape sequence; must be in range \\0 to \\377";
      v &= 0xff;
    }
    return v;
  }
  switch (c) {
    case 'x':
    case 'X': {
      unsigned v = 0;
      int digits = 0;
      for (; digits < 2 && !atEnd(); digits++) {
        int h = peek();
        if (isDigit(h)) v = v * 16 + unsigned(h - '0');
        else if (h >= 'a' && h <= 'f') v = v * 16 + unsigned(h - 'a' + 10);
        else if (h >= 'A' && h <= 'F') v = v * 16 + unsigned(h - 'A' + 10);
        else break;
        cs.pos++;
      }
      if (digits == 0) {
        cs.err = "w:invalid hex escape sequence";
        return unsigned(c);
      }
      return v;
    }
    case 'a': return 7;
    case 'b': return 8;
    case 'f': return 12;
    case 'n': return 10;
    case 'r': return 13;
    case 't': return 9;
    case 'v': return 11;
    default: return unsigned(c);
  }
}

unsigned bracketMember() {
  unsigned c = cs.text[cs.pos++];
  if (c != '\\') return c;
  if (atEnd()) fail("e:missing ]");
  return escape();
}

// After `[`: one class node whose ranges are the members, or, after `^`, the
// full range minus every member.
Frag bracket() {
  cs.pos++;
  uint16_t cls = classBegin();
  if (!atEnd() && peek() == '^') {
    cs.pos++;
    classRange(cls, 0, 255);
    cs.negated = true;
  }
  for (bool first = true;; first = false) {
    if (atEnd()) fail("e:missing ]");
    if (peek() == ']' && !first) {
      cs.pos++;
      break;
    }
    unsigned lo = bracketMember(), hi = lo;
    if (cs.pos < cs.last && cs.text[cs.pos] == '-' && cs.text[cs.pos + 1] != ']') {
      cs.pos++;
      hi = bracketMember();
      if (lo > hi) fail("e:character range with first > last");
    }
    classRange(cls, lo, hi);
  }
  cs.negated = false;
  return classEnd(cls);
}

uint32_t number() {
  uint32_t v = 0;
  while (!atEnd() && isDigit(peek())) {
    v = v * 10 + unsigned(cs.text[cs.pos++] - '0');
    if (v > 1000000) v = 1000000;   // far beyond what fits in a program
  }
  return v;
}

Frag alternation();

Frag group() {
  cs.pos++;
  uint16_t g = cs.ngroups++;
  if (g >= cs.groupcap) {
    cs.groupcap += 16;
    cs.groups = static_cast<uint16_t*>(respace(cs.groups, cs.groupcap * 2));
  }
  cs.groups[g] = 0;
  Frag in = alternation();
  if (atEnd() || peek() != ')') fail("e:missing )");
  cs.pos++;
  uint16_t open = node(kNodeOpen, in.entry, 2, uint16_t(g + 1));
  uint16_t close = node(kNodeClose, 0, 2, uint16_t(g + 1));
  W()[in.out] = close;
  cs.groups[g] = in.empty ? 1 : 2;
  if (in.onegroup) cs.flags |= kReNested | kReGroups;
  return Frag{open, uint16_t(close + 1), in.empty, true, 0, 0};
}

// `^` is expected at the start of the pattern or of an alternative, possibly
// behind opening parentheses.
void checkBol(int32_t p) {
  int32_t q = p - 1;
  while (q >= 0 && cs.text[q] == '(') q--;
  if (q < 0) return;
  if (cs.text[q] == '|' && !(q > 0 && cs.text[q - 1] == '\\')) return;
  cs.err = "w:unexpected ^";
}

// `$` is expected at the end of the pattern or of an alternative, possibly
// before closing parentheses or an operator.
void checkEol(int32_t p) {
  int32_t q = p + 1;
  while (q <= cs.last && cs.text[q] == ')') q++;
  if (q > cs.last) return;
  int c = cs.text[q];
  if (c == '|' || c == '?' || c == '*' || c == '+') return;
  cs.err = "w:unexpected $";
}

Frag atom() {
  int c = peek();
  switch (c) {
    case '(':
      return group();
    case '.': {
      cs.pos++;
      uint16_t cls = classBegin();
      classRange(cls, 0, 255);
      return classEnd(cls);
    }
    case '[':
      return bracket();
    case '\\':
      if (cs.pos == cs.last) fail("e:trailing \\");
      cs.pos++;
      return literal(escape());
    case '*': fail("e:unexpected *");
    case '+': fail("e:unexpected +");
    case '?': fail("e:unexpected ?");
    case '^':
      checkBol(cs.pos);
      cs.pos++;
      cs.flags |= kReHasBol;
      return simple(node(kNodeBol, 0), true);
    case '$': {
      int d = cs.pos < cs.last ? cs.text[cs.pos + 1] : 0;
      if (d >= '1' && d <= '9') {
        cs.pos++;
        uint32_t n = number();
        if (n > cs.ngroups || cs.groups[n - 1] == 0) fail("e:$number exceeds paren count");
        uint16_t b = node(kNodeBackref, 0, 2, uint16_t(n - 1));
        cs.nthreads++;
        cs.flags |= kReBackref | kReGroups;
        return simple(b, cs.groups[n - 1] == 1);
      }
      checkEol(cs.pos);
      cs.pos++;
      cs.flags |= kReHasEol;
      return simple(node(kNodeEol, 0), true);
    }
    default:
      cs.pos++;
      return literal(unsigned(c));
  }
}

Frag star(Frag f) {
  if (f.empty) fail("e:operand of * or {} possibly empty");
  uint16_t s = node(kNodeSplit, 0, 2, f.entry);
  W()[f.out] = s;
  return simple(s, true);
}

Frag plus(Frag f) {
  if (f.empty) fail("e:operand of + or {} possibly empty");
  uint16_t s = node(kNodeSplit, 0, 2, f.entry);
  W()[f.out] = s;
  return Frag{f.entry, uint16_t(s + 1), false, false, 0, 0};
}

Frag quest(Frag f) {
  uint16_t e = node(kNodeEmpty, 0);
  uint16_t s = node(kNodeSplit, f.entry, 2, e);
  W()[f.out] = e;
  return Frag{s, uint16_t(e + 1), true, false, 0, 0};
}

// Appends `b` after `a` (a.entry == 0 means nothing yet).
Frag join(Frag a, Frag b) {
  if (a.entry == 0) return b;
  W()[a.out] = b.entry;
  return Frag{a.entry, b.out, a.empty && b.empty, false, 0, 0};
}

// `{` after atom f: an interval when well formed, else f unchanged and the
// position back at the `{`, which the next piece takes as a literal.
Frag interval(Frag f) {
  int32_t save = cs.pos;
  cs.pos++;
  if (atEnd() || !isDigit(peek())) {
    cs.pos = save;
    return f;
  }
  uint32_t m = number(), n = m;
  bool unbounded = false;
  if (!atEnd() && peek() == ',') {
    cs.pos++;
    if (!atEnd() && isDigit(peek())) n = number();
    else unbounded = true;
  }
  if (atEnd() || peek() != '}' || (!unbounded && n < m)) {
    cs.pos = save;
    return f;
  }
  int32_t after = cs.pos + 1;
  if (!unbounded && n == 0) {
    cs.pos = after;
    return simple(node(kNodeEmpty, 0), true);
  }
  uint32_t total = unbounded ? m + 1 : n;
  Frag res{0, 0, true, false, 0, 0};
  for (uint32_t k = 1; k <= total; k++) {
    Frag c = f;
    if (k > 1) {
      cs.pos = f.at;
      cs.ngroups = f.groupsAt;
      c = atom();
    }
    if (unbounded && k == total) c = star(c);
    else if (k > m) c = quest(c);
    res = join(res, c);
  }
  cs.pos = after;
  return res;
}

Frag piece() {
  int32_t at = cs.pos;
  uint16_t groupsAt = cs.ngroups;
  Frag f = atom();
  f.at = at;
  f.groupsAt = groupsAt;
  if (atEnd()) return f;
  switch (peek()) {
    case '*': cs.pos++; return star(f);
    case '+': cs.pos++; return plus(f);
    case '?': cs.pos++; return quest(f);
    case '{': return interval(f);
    default: return f;
  }
}

Frag branch() {
  Frag acc{0, 0, true, false, 0, 0};
  bool first = true;
  while (!atEnd() && peek() != '|' && peek() != ')') {
    Frag p = piece();
    if (first) {
      acc = p;
      first = false;
    } else {
      acc = join(acc, p);
    }
  }
  if (first) return simple(node(kNodeEmpty, 0), true);
  return acc;
}

Frag alternation() {
  Frag a = branch();
  while (!atEnd() && peek() == '|') {
    cs.pos++;
    Frag b = branch();
    uint16_t s = node(kNodeSplit, a.entry, 2, b.entry);
    uint16_t e = node(kNodeEmpty, 0);
    W()[a.out] = e;
    W()[b.out] = e;
    a = Frag{s, uint16_t(e + 1), a.empty || b.empty, false, 0, 0};
  }
  return a;
}

void addFirst(AwkPattern* p, unsigned c) { p->firstset[c >> 3] |= uint8_t(1u << (c & 7)); }

// Adds to the first-character set every byte that can begin a match from
// node x; each node is visited once.
void firstWalk(AwkPattern* p, uint16_t x, std::vector<uint8_t>& seen) {
  const uint16_t* w = p->words();
  for (;;) {
    if (x == 0) {
      memset(p->firstset, 0xff, sizeof p->firstset);
      return;
    }
    if (seen[x]) return;
    seen[x] = 1;
    int16_t t = int16_t(w[x]);
    if (t > 0) {
      for (int k = 1; k <= t; k++) {
        unsigned lo = w[x + k] >> 8, hi = w[x + k] & 0xff;
        for (unsigned c = lo; c <= hi; c++) {
          addFirst(p, c);
          if (p->flags & kReFold) {
            if (c >= 'a' && c <= 'z') addFirst(p, c - 32);
            else if (c >= 'A' && c <= 'Z') addFirst(p, c + 32);
          }
        }
      }
      return;
    }
    if (t == kNodeSplit) {
      firstWalk(p, w[x + 1], seen);
      x = w[x + 2];
    } else {
      x = w[x + 1];
    }
  }
}

unsigned otherCase(unsigned c) {
  if (c >= 'a' && c <= 'z') return c - 32;
  if (c >= 'A' && c <= 'Z') return c + 32;
  return c;
}

void finish(Frag top) {
  AwkPattern* p = cs.pat;
  uint16_t* w = p->words();
  w[top.out] = 0;
  p->refcnt = 1;
  p->nthreads = cs.nthreads;
  p->ngroups = cs.ngroups;
  p->flags = cs.flags;
  p->source = nullptr;
  p->start = top.entry;
  p->length = uint16_t(cs.len);
  p->anchored = int16_t(w[top.entry]) == kNodeBol;
  memset(p->firstset, 0, sizeof p->firstset);
  std::vector<uint8_t> seen(size_t(cs.len), 0);
  firstWalk(p, top.entry, seen);
  p->has_first = 0;
  p->first = p->first_other = 0;
  if (w[top.entry] == 1 && (w[top.entry + 1] >> 8) == (w[top.entry + 1] & 0xff)) {
    p->has_first = 1;
    p->first = uint8_t(w[top.entry + 1] & 0xff);
    p->first_other = uint8_t(otherCase(p->first));
  }
  p->accel = 0;
}

}  // namespace

AwkPattern* awk_regcomp(const char* text, int32_t len, int flags) {
  cs.text = reinterpret_cast<const uint8_t*>(text);
  cs.pos = 0;
  cs.last = len - 1;
  cs.err = nullptr;
  cs.negated = false;
  cs.ngroups = 0;
  cs.flags = uint16_t(flags & 0xff);
  cs.nthreads = 1;
  cs.cap = kInitialWords;
  cs.len = kPatternHeaderWords;
  cs.pat = static_cast<AwkPattern*>(spacec(kInitialWords * 2));
  try {
    Frag top = alternation();
    if (!atEnd()) fail("e:missing (");
    finish(top);
  } catch (const CompileError&) {
    spfree(cs.pat);
    cs.pat = nullptr;
    cs.negated = false;
    return nullptr;
  }
  AwkPattern* p = cs.pat;
  cs.pat = nullptr;
  return p;
}

AwkPattern* awk_erencomp(void*, const char* text, int32_t len, int flags) {
  AwkPattern* p = awk_regcomp(text, len, flags);
  if (p && !(flags & kReNoSource)) p->source = stringNew1(text, uint32_t(len));
  return p;
}

const char* awk_ereerr() { return cs.err; }

// How value cells count the patterns they name (values/cell.h); a pattern
// value reads as its source text.
[[gnu::used]] static const bool ownerOpsSet = [] {
  awk_ownerops[int(OwnerKind::Pattern)] = {
      [](void* p) { awk_eredup(static_cast<AwkPattern*>(p)); },
      [](void* p) { awk_ererelease(static_cast<AwkPattern*>(p)); },
      [](const void*) { return int32_t(0); },
      [](const void* p) {
        const AwkString* s = static_cast<const AwkPattern*>(p)->source;
        return s ? stringCopy(s) : stringNew1("", 0);
      }};
  return true;
}();

// A pattern shared by 32000 holders (array elements, say) becomes
// permanent, as string objects do, instead of its count wrapping round
// and freeing it under its holders.
void awk_eredup(AwkPattern* p) {
  if (p && p->refcnt <= uint16_t(kPermanentRef)) p->refcnt++;
}

void awk_ererelease(AwkPattern* p) {
  if (!p || p->refcnt > uint16_t(kPermanentRef)) return;
  int16_t r = int16_t(int16_t(p->refcnt) - 1);
  if (r > 0) {
    p->refcnt = uint16_t(r);
    return;
  }
  if (p->source) stringFree(p->source);
  accelRelease(p);
  spfree(p);
}

int awk_ereflags(const AwkPattern* p) { return p ? p->flags : 0; }
