// Matcher: simulates a compiled pattern with two lists of threads, one
// subject position at a time, so time is linear in the subject length times
// the pattern size and nothing ever backtracks.
//
// A thread waits only at the node a class links to, or at a backreference
// node while it counts down the bytes of the referenced text. Each step
// follows every thread of the current list through the nodes that consume
// nothing, collecting the group events of the path, until a class takes the
// byte (the thread goes to the next list) or accept is reached (a match is
// recorded). At most one thread waits at a node: the node's mark word holds
// its index in the next list, and a second arrival is settled at once
// (earlier start wins, then the preference test on group positions). Marks
// are 0 again after every step.
//
// Invariants the code relies on:
//  - both lists are ordered by start position (threads are processed in
//    order and a new start thread always has the latest start);
//  - without group tracking, two arrivals at one node in one step behave the
//    same for the later-starting one, so each node is followed at most once
//    per step; with tracking, at most once per thread and event list. This
//    keeps the work per byte bounded on patterns like (a?|b?){30}.
//
// A search that does not track groups first tries the roads of accel.h (a
// literal search, a quick reject, a cached deterministic automaton); they
// give this simulation's exact answer faster, and hand back what they do
// not cover.
//
// Group positions live in slots (two 32-bit entries per group, position + 1,
// 0 unset). A thread hands its slot to its first successor without copying;
// copies are made for later successors and when events must be applied.
#include <cstring>

#include "regex/accel.h"
#include "regex/regex.h"
#include "diag/oops.h"
#include "values/alloc.h"

namespace {

struct Thread {
  int32_t start;    // position + 1 where the match attempt began
  uint16_t node;    // node the thread waits at
  uint16_t slot;    // group positions, 1-based; 0 = all unset
  uint16_t count;   // backreference countdown, 0 = none
};

struct MatchState {
  AwkPattern* pat;
  uint16_t* w;
  const uint8_t* subj;
  int32_t n;
  int32_t pos;          // current position (0-based)
  unsigned c;           // current byte
  bool final;
  int wanting;          // threads that still wanted input at the final step
  int flags;
  bool longest, anchored, tracking, fold, setFull;
  int32_t anchorpos;
  Thread* lists;
  Thread* cur;
  Thread* nxt;
  int ncur, nnxt;
  int32_t bestStart, bestEnd;   // position + 1; bestEnd 0 = no match
  uint16_t bestSlot;
  int ngroups;
  int32_t* slots;       // slot k at slots[k * 2 * ngroups]
  uint16_t* freeStack;
  int nfree;
  uint16_t* events;     // (group << 1) | close
  int32_t* temp;        // scratch positions for the preference test
  Thread* ct;           // thread being followed
  bool handed;          // ct's slot was given to a successor
  uint32_t* seenGen;    // per node: generation of the last visit
  uint64_t* seenHash;   // per node: event-list hash of the last visit
  uint32_t gen;
  // capacities of the reusable storage
  int32_t capThreads, capSlotWords, capFree, capEvents, capSeen, capTemp;
};
MatchState ms;

constexpr uint64_t kHashSeed = 0x243f6a8885a308d3ull;
inline uint64_t mixEvent(uint64_t h, unsigned ev) { return (h ^ (ev + 1)) * 0x100000001b3ull; }

inline bool isLetter(unsigned c) { return (c | 32) >= 'a' && (c | 32) <= 'z'; }

template <typename T>
void grow(T*& p, int32_t& cap, int32_t need) {
  if (need <= cap) return;
  p = static_cast<T*>(respace(p, int32_t(need * sizeof(T))));
  cap = need;
}

int32_t* slotAt(uint16_t s) { return ms.slots + int32_t(s) * 2 * ms.ngroups; }

uint16_t allocSlot() {
  if (ms.nfree == 0) awk_assert2(0x5201);
  return ms.freeStack[--ms.nfree];
}
void freeSlot(uint16_t s) { ms.freeStack[ms.nfree++] = s; }

void nextGen() {
  if (++ms.gen == 0) {
    memset(ms.seenGen, 0, size_t(ms.capSeen) * sizeof *ms.seenGen);
    ms.gen = 1;
  }
}

// Sizes every piece of storage for pattern p and the flags in force; the
// pattern's list storage must stay within 32699 bytes.
void prepare(AwkPattern* p) {
  int cap = p->nthreads;
  if ((int32_t(p->ngroups) + 7 * cap) * 4 + 8 > 32699)
    oops('F', "regular expression pattern too large");
  ms.pat = p;
  ms.w = p->words();
  ms.ngroups = p->ngroups;
  ms.longest = !(ms.flags & kReFirst);
  ms.tracking = (ms.flags & kReGroups) && p->ngroups > 0;
  ms.fold = ms.flags & kReFold;
  // Both thread lists live in one block: [current | next].
  grow(ms.lists, ms.capThreads, 2 * (cap + 1));
  ms.cur = ms.lists;
  ms.nxt = ms.lists + cap + 1;
  ms.ncur = ms.nnxt = 0;
  ms.bestStart = ms.bestEnd = 0;
  ms.bestSlot = 0;
  if (p->length > ms.capSeen) {
    int32_t capHash = ms.capSeen;
    grow(ms.seenHash, capHash, p->length);
    int32_t old = ms.capSeen;
    grow(ms.seenGen, ms.capSeen, p->length);
    memset(ms.seenGen + old, 0, size_t(ms.capSeen - old) * sizeof *ms.seenGen);
  }
  if (ms.tracking) {
    int nslots = 2 * cap + 2;
    grow(ms.slots, ms.capSlotWords, (nslots + 1) * 2 * ms.ngroups);
    grow(ms.freeStack, ms.capFree, nslots);
    ms.nfree = 0;
    for (int s = nslots; s >= 1; s--) ms.freeStack[ms.nfree++] = uint16_t(s);
    grow(ms.events, ms.capEvents, p->length / 4 + 1);
    grow(ms.temp, ms.capTemp, 2 * ms.ngroups);
  }
}

// Group measures of a slot for the preference test: sum of lengths, groups
// started, groups closed.
struct Measure {
  int64_t sum;
  int started, closed;
};

Measure measure(const int32_t* g) {
  Measure m{0, 0, 0};
  int32_t now = ms.pos + 1;
  for (int k = 0; k < ms.ngroups; k++) {
    int32_t st = g[2 * k], en = g[2 * k + 1];
    if (!st) continue;
    m.started++;
    if (en) {
      m.closed++;
      m.sum += en - st;
    } else {
      m.sum += now - st;
    }
  }
  return m;
}

// Positions of the current thread with the pending events applied, in temp.
void applyEvents(int32_t* g, int nev) {
  int32_t now = ms.pos + 1;
  for (int k = 0; k < nev; k++) {
    unsigned ev = ms.events[k];
    int32_t* e = g + 2 * (ev >> 1);
    if (ev & 1) {
      e[1] = now;
    } else {
      e[0] = now;
      e[1] = 0;
    }
  }
}

void basePositions(int32_t* g) {
  if (ms.ct->slot) memcpy(g, slotAt(ms.ct->slot), size_t(ms.ngroups) * 2 * sizeof *g);
  else memset(g, 0, size_t(ms.ngroups) * 2 * sizeof *g);
}

// True if the current thread, with its nev pending events, is preferred to
// the holder whose positions are in slot `holder`.
bool prefer(uint16_t holder, int nev) {
  if (!ms.tracking) return false;
  if (nev > 0 && holder == 0) return true;
  if (nev == 0 && ms.ct->slot == 0) return false;
  Measure h{0, 0, 0};
  if (holder) h = measure(slotAt(holder));
  basePositions(ms.temp);
  applyEvents(ms.temp, nev);
  Measure m = measure(ms.temp);
  if (m.sum != h.sum) return m.sum > h.sum;
  if (m.started != h.started) return m.started > h.started;
  return m.closed < h.closed;
}

// The slot a successor of the current thread gets, reusing `old` (the slot
// of the entry it replaces, or 0) where possible.
uint16_t makeSlot(int nev, uint16_t old) {
  uint16_t base = ms.ct->slot;
  if (nev == 0) {
    if (base == 0) {
      if (old) freeSlot(old);
      return 0;
    }
    if (old == base) return base;
    if (!ms.handed) {
      ms.handed = true;
      if (old) freeSlot(old);
      return base;
    }
    uint16_t s = old ? old : allocSlot();
    memcpy(slotAt(s), slotAt(base), size_t(ms.ngroups) * 2 * sizeof(int32_t));
    return s;
  }
  uint16_t s;
  if (old && old != base) {
    s = old;
  } else {
    if (old) ms.handed = false;   // the replaced entry held our own slot
    s = allocSlot();
  }
  int32_t* g = slotAt(s);
  if (base) memcpy(g, slotAt(base), size_t(ms.ngroups) * 2 * sizeof *g);
  else memset(g, 0, size_t(ms.ngroups) * 2 * sizeof *g);
  applyEvents(g, nev);
  return s;
}

// Puts the current thread into the next list at node x with countdown cnt.
void put(uint16_t x, uint16_t cnt, int nev) {
  uint16_t& mark = ms.w[x - 1];
  Thread* e;
  if (mark) {
    e = &ms.nxt[mark - 1];
    if (e->start < ms.ct->start) return;
    if (e->start == ms.ct->start && !prefer(e->slot, nev)) return;
  } else {
    e = &ms.nxt[ms.nnxt++];
    mark = uint16_t(ms.nnxt);
    e->slot = 0;
  }
  e->node = x;
  e->start = ms.ct->start;
  e->count = cnt;
  if (ms.tracking) e->slot = makeSlot(nev, e->slot);
}

// Records a match of the current thread ending at position e.
void record(int32_t e, int nev) {
  int32_t s = ms.ct->start, end = e + 1;
  if ((ms.flags & kReNoEmpty) && s == end) return;
  if (ms.bestEnd) {
    if (s > ms.bestStart) return;
    if (s == ms.bestStart) {
      if (end == ms.bestEnd) {
        if (!prefer(ms.bestSlot, nev)) return;
      } else if (!(ms.longest && end > ms.bestEnd)) {
        return;
      }
    }
  }
  ms.bestStart = s;
  ms.bestEnd = end;
  if (ms.tracking) ms.bestSlot = makeSlot(nev, ms.bestSlot);
}

bool classHolds(const uint16_t* r, int nr, unsigned c) {
  for (int k = 0; k < nr; k++)
    if ((r[k] >> 8) <= c && c <= (r[k] & 0xffu)) return true;
  return false;
}

// Follows the current thread from node x with nev pending events (hash h).
void follow(uint16_t x, int nev, uint64_t h) {
  const uint16_t* w = ms.w;
  for (;;) {
    if (x == 0) {
      record(ms.pos, nev);
      return;
    }
    if (ms.seenGen[x] == ms.gen && (!ms.tracking || ms.seenHash[x] == h)) return;
    ms.seenGen[x] = ms.gen;
    ms.seenHash[x] = h;
    int16_t t = int16_t(w[x]);
    if (t > 0) {
      if (ms.final) {
        ms.wanting++;
        return;
      }
      unsigned c = ms.c;
      if (!classHolds(w + x + 1, t, c) &&
          !(ms.fold && c < 128 && isLetter(c) && classHolds(w + x + 1, t, c ^ 32)))
        return;
      uint16_t link = w[x + t + 1];
      if (link == 0) record(ms.pos + 1, nev);
      else put(link, 0, nev);
      return;
    }
    switch (t) {
      case kNodeEmpty:
        x = w[x + 1];
        break;
      case kNodeBol:
        if (ms.pos != ms.anchorpos) return;
        x = w[x + 1];
        break;
      case kNodeEol:
        if (!ms.final) return;
        x = w[x + 1];
        break;
      case kNodeSplit:
        follow(w[x + 1], nev, h);
        x = w[x + 2];
        break;
      case kNodeOpen:
      case kNodeClose:
        if (ms.tracking) {
          unsigned ev = unsigned(w[x + 2] - 1) << 1 | (t == kNodeClose);
          ms.events[nev++] = uint16_t(ev);
          h = mixEvent(h, ev);
        }
        x = w[x + 1];
        break;
      case kNodeBackref: {
        if (!ms.tracking) return;
        unsigned g = w[x + 2];
        int32_t st = 0, en = 0;
        if (ms.ct->slot) {
          st = slotAt(ms.ct->slot)[2 * g];
          en = slotAt(ms.ct->slot)[2 * g + 1];
        }
        int32_t now = ms.pos + 1;
        for (int k = 0; k < nev; k++) {
          if ((ms.events[k] >> 1) != g) continue;
          if (ms.events[k] & 1) {
            en = now;
          } else {
            st = now;
            en = 0;
          }
        }
        // A group that took no part in the match (start and end unset) has
        // no text to repeat: the back-reference fails, as one to a group
        // still open does.
        if (!st || !en) return;
        int32_t len = en - st;
        if (len < 0) return;
        if (len == 0) {
          x = w[x + 1];
          break;
        }
        if (ms.n - ms.pos < len || memcmp(ms.subj + ms.pos, ms.subj + st - 1, size_t(len)) != 0)
          return;
        put(x, uint16_t(len), nev);
        return;
      }
      default:
        return;
    }
  }
}

// Follows every thread of the current list into the next list.
void runThreads() {
  ms.nnxt = 0;
  if (!ms.tracking) nextGen();
  for (int k = 0; k < ms.ncur; k++) {
    Thread* t = &ms.cur[k];
    ms.ct = t;
    ms.handed = false;
    if (ms.tracking) nextGen();
    if (t->count) {
      if (t->count > 1) put(t->node, uint16_t(t->count - 1), 0);
      else follow(ms.w[t->node + 1], 0, kHashSeed);
    } else {
      follow(t->node, 0, kHashSeed);
    }
    if (ms.tracking && t->slot && !ms.handed) freeSlot(t->slot);
  }
  for (int k = 0; k < ms.nnxt; k++) ms.w[ms.nxt[k].node - 1] = 0;
}

// One step at the current position; the next list becomes the current one,
// without the threads that can no longer beat the best match.
void step() {
  runThreads();
  Thread* t = ms.cur;
  ms.cur = ms.nxt;
  ms.nxt = t;
  ms.ncur = ms.nnxt;
  if (!ms.bestEnd) return;
  int kept = 0;
  for (int k = 0; k < ms.ncur; k++) {
    Thread& th = ms.cur[k];
    if (th.start < ms.bestStart || (th.start == ms.bestStart && ms.longest)) {
      ms.cur[kept++] = th;
    } else if (ms.tracking && th.slot) {
      freeSlot(th.slot);
    }
  }
  ms.ncur = kept;
}

void finalStep() {
  ms.final = true;
  ms.wanting = 0;
  runThreads();
  ms.final = false;
}

void addStart(int32_t p) {
  ms.cur[ms.ncur++] = Thread{p + 1, ms.pat->start, 0, 0};
}

bool setIsFull(const AwkPattern* p) {
  for (uint8_t b : p->firstset)
    if (b != 0xff) return false;
  return true;
}

// First position >= p at which a match can begin, or -1.
int32_t findStart(int32_t p) {
  const AwkPattern* pat = ms.pat;
  if (pat->has_first) {
    if (p >= ms.n) return -1;
    if (ms.fold && pat->first != pat->first_other) {
      for (int32_t q = p; q < ms.n; q++)
        if (ms.subj[q] == pat->first || ms.subj[q] == pat->first_other) return q;
      return -1;
    }
    const void* hit = memchr(ms.subj + p, pat->first, size_t(ms.n - p));
    return hit ? int32_t(static_cast<const uint8_t*>(hit) - ms.subj) : -1;
  }
  if (p < ms.n && pat->inFirstSet(ms.subj[p])) return p;
  // At the end only a pattern that can match without consuming can begin,
  // anchored or not (so /^$/ finds the empty subject).
  if (p >= ms.n) return ms.setFull ? p : -1;
  if (ms.anchored) return -1;
  for (int32_t q = p + 1; q < ms.n; q++)
    if (pat->inFirstSet(ms.subj[q])) return q;
  return -1;
}

// The search by simulation, for what the fast roads declined (kept out of
// line so that a search they answer pays for no more than it uses).
[[gnu::noinline]] int32_t simulate(AwkPattern* p, const char* subject, int32_t len,
                                   int32_t start, int32_t anchorpos, int flags) {
  ms.pat = p;
  ms.subj = reinterpret_cast<const uint8_t*>(subject);
  ms.n = len;
  ms.anchorpos = anchorpos;
  ms.flags = p->flags | flags;
  ms.anchored = p->anchored;
  ms.fold = ms.flags & kReFold;
  ms.final = false;
  ms.setFull = setIsFull(p);
  int32_t i = findStart(start);
  if (i < 0) return 0;
  prepare(p);
  ms.anchored = p->anchored;
  addStart(i);
  while (i < ms.n) {
    ms.pos = i;
    ms.c = ms.subj[i];
    step();
    int32_t j = i + 1;
    if (ms.ncur) {
      if (!ms.bestEnd && !ms.anchored && (j < ms.n ? p->inFirstSet(ms.subj[j]) : ms.setFull))
        addStart(j);
    } else {
      if (ms.bestEnd) return ms.bestEnd;
      // An anchored pattern can only match from its first attempt.
      if (ms.anchored) return 0;
      j = findStart(j);
      if (j < 0) return 0;
      addStart(j);
    }
    i = j;
  }
  ms.pos = ms.n;
  finalStep();
  return ms.bestEnd;
}

}  // namespace

int32_t awk_erematch(AwkPattern* p, const char* subject, int32_t len, int32_t start,
                     int32_t anchorpos, int flags) {
  ms.bestEnd = 0;
  ms.tracking = false;
  if (!p) return 0;
  int32_t fs, fe;
  switch (accelSearch(p, reinterpret_cast<const uint8_t*>(subject), len, start, anchorpos,
                      p->flags | flags, &fs, &fe)) {
    case FastResult::NoMatch:
      return 0;
    case FastResult::Match:
      ms.bestStart = fs + 1;
      ms.bestEnd = fe + 1;
      return ms.bestEnd;
    case FastResult::Declined:
      break;
  }
  return simulate(p, subject, len, start, anchorpos, flags);
}

int awk_erepatpos(int32_t* start, int32_t* end) {
  if (!ms.bestEnd) return 0;
  *start = ms.bestStart - 1;
  *end = ms.bestEnd - 1;
  return 1;
}

int awk_ereparenpos(int n, int32_t* start, int32_t* end) {
  if (!ms.tracking || !ms.bestEnd || n < 1 || n > ms.ngroups) return 0;
  int32_t st = 0, en = 0;
  if (ms.bestSlot) {
    st = slotAt(ms.bestSlot)[2 * (n - 1)];
    en = slotAt(ms.bestSlot)[2 * (n - 1) + 1];
  }
  if (!st) {
    *start = *end = -1;
  } else {
    *start = st - 1;
    *end = en ? en - 1 : -1;
  }
  return ms.ngroups;
}

void awk_eresetup(AwkPattern* p, int flags) {
  ms.bestEnd = 0;
  ms.ncur = ms.nnxt = 0;
  ms.pat = p;
  ms.tracking = false;
  if (!p) return;
  ms.flags = p->flags | flags;
  if (ms.flags & kReGroups) oops('F', "RS contains ()");
  ms.subj = nullptr;
  ms.n = 0;
  ms.anchorpos = 0;
  ms.final = false;
  ms.setFull = setIsFull(p);
  prepare(p);
  ms.anchored = false;
}

int awk_erestep(int byte, int32_t position) {
  if (byte < 0) return ms.bestEnd;
  if (!ms.pat) return 0;
  ms.pos = position;
  ms.c = unsigned(byte);
  if (!ms.bestEnd && ms.pat->inFirstSet(ms.c)) addStart(position);
  if (!ms.ncur) return 0;
  step();
  if (!ms.ncur) return ms.bestEnd;
  ms.pos = position + 1;
  finalStep();
  if (!ms.bestEnd) return 0;
  if (ms.longest) return ms.wanting ? 0 : 1;
  return 1;
}
