// Lazily built deterministic automaton that reproduces the thread simulation
// of match.cpp exactly, for searches without group tracking.
//
// Without tracking, what the simulation does at a step depends on the start
// positions of its threads only through comparisons between them (earlier
// start wins a node, a later start cannot beat the best match, an empty match
// is one whose start is the current position). So a state of this automaton
// is the simulation's thread list with the start positions replaced by their
// rank: the list is cut into *attempts*, runs of threads that share a start,
// in the order of their starts, and each attempt keeps its nodes in list
// order. A few flags complete the state: whether a new attempt may still
// begin (no best match yet, and the pattern is not anchored or this is the
// first step), whether `^` holds at this position, and whether a best match
// exists. Once one exists, every live attempt started before it (or, in
// longest mode, with it), so any later match replaces it and its position
// need not be part of the state.
//
// A transition is computed by running the simulation's own step on such an
// abstract list with a representative byte of the byte class. Besides the
// next state it yields an *action* for the concrete run: whether a new
// attempt began at this position, which attempt (if any) now holds the best
// match and whether its end is this position or the next, and which
// attempts survive. The search keeps the real start position of every live
// attempt in a small array and applies the action, so the match start and
// end come out exactly as the simulation computes them. Transitions that
// change nothing skip the action, and the inner loop is then one table load
// per byte.
//
// States are made on demand and kept in a per-automaton cache bounded by a
// byte budget; when it is full the cache is emptied (the current state is
// made again) and building resumes. A search that empties the cache too
// often, or meets a state with too many attempts, gives up and leaves the
// work to the simulation.
#include "regex/dfa.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

namespace {

enum : uint8_t {
  kAddStarts = 1,    // a new attempt begins at a byte of the first-character set
  kAtAnchor = 2,     // `^` holds at this position
  kBest = 4,         // a best match exists
};

constexpr int kMaxAttempts = 62;
constexpr int kMaxResetsPerSearch = 4;
constexpr uint64_t kAttention = 0x80000000u;   // the transition has an action or ends the run
constexpr uint64_t kGiveUp = ~uint64_t(0);
constexpr int8_t kUnknown = -2;
constexpr size_t kMaxRows = 0x7fffffff;   // target rows + 1 must fit in 31 bits

struct State {
  uint32_t key;        // offset of the key in Dfa::keys
  uint32_t keylen;     // words: flags, then each attempt's nodes followed by 0
  uint8_t k;           // attempts
  uint8_t flags;
  int8_t finalRec;     // end of subject: attempt that takes the best match, -1 none
  uint8_t finalFresh;  // end of subject: a new attempt begins there
};

struct Action {
  uint64_t keep;   // surviving attempts, by index before the step (a fresh one is index k)
  int8_t rec;      // attempt that now holds the best match, or -1
  uint8_t off;     // that match ends at this position (0) or after its byte (1)
  uint8_t fresh;   // a new attempt begins at this position
  uint8_t srcK;    // attempts before the step: the index of a fresh one
  uint8_t keepAll; // every earlier attempt survives, so no compaction is needed
  uint8_t empty;   // the target has no attempt left
  uint8_t flags;   // the target's flags
};

}  // namespace

struct Dfa {
  const AwkPattern* pat;
  const uint16_t* w;
  bool fold, longest, noEmpty, anchored, hasBol, setFull;
  bool exists;         // only whether a match exists: every thread in one attempt
  int memchrByte;      // the only byte an attempt can begin with, or -1
  const PrefixScan* scan;   // where an attempt that can succeed begins, or null
  bool startByte[256]; // an attempt can begin with the byte
  uint8_t cls[256];    // byte class of each byte
  uint8_t rep[256];    // a byte of each class
  int nc;
  size_t budget, used;
  std::vector<uint16_t> keys;
  std::vector<State> states;
  std::vector<uint64_t> trans;   // per state and class: 0 unknown, else target + 1 | bits
  std::vector<Action> actions;   // index 0 unused
  std::vector<int32_t> table;    // open addressing over states, -1 empty
  int32_t init[2];               // initial state without and with the anchor, -1 unknown
  uint64_t resets;
  int searchResets;
  // scratch for building transitions
  std::vector<uint32_t> seen, queued;   // per node: generation of the last visit
  uint32_t gen;
  std::vector<uint16_t> nextNodes;
  std::vector<uint8_t> nextAttempt;
  std::vector<uint16_t> srckey, keybuf;
};

namespace {

bool isLetter(unsigned c) { return (c | 32) >= 'a' && (c | 32) <= 'z'; }

bool classHolds(const uint16_t* r, int nr, unsigned c) {
  for (int k = 0; k < nr; k++)
    if ((r[k] >> 8) <= c && c <= (r[k] & 0xffu)) return true;
  return false;
}

bool consumes(const Dfa* d, uint16_t x, unsigned c) {
  int t = int16_t(d->w[x]);
  const uint16_t* r = d->w + x + 1;
  return classHolds(r, t, c) || (d->fold && c < 128 && isLetter(c) && classHolds(r, t, c ^ 32));
}

// Splits the 256 bytes into classes that no class node and no first-set test
// can tell apart. Walks the nodes reachable from the start.
void makeClasses(Dfa* d) {
  const AwkPattern* p = d->pat;
  uint8_t id[256];
  for (unsigned c = 0; c < 256; c++) id[c] = p->inFirstSet(c) ? 1 : 0;
  int n = 2;
  auto refine = [&](auto member) {
    int16_t remap[2][256];
    memset(remap, -1, sizeof remap);
    int m = 0;
    for (unsigned c = 0; c < 256; c++) {
      int16_t& r = remap[member(c) ? 1 : 0][id[c]];
      if (r < 0) r = int16_t(m++);
      id[c] = uint8_t(r);
    }
    n = m;
  };
  refine([](unsigned) { return false; });   // renumber densely
  std::vector<uint8_t> visited(p->length, 0);
  std::vector<uint16_t> stack{p->start};
  while (!stack.empty()) {
    uint16_t x = stack.back();
    stack.pop_back();
    if (x == 0 || visited[x]) continue;
    visited[x] = 1;
    int16_t t = int16_t(d->w[x]);
    if (t > 0) {
      if (n < 256) refine([&](unsigned c) { return consumes(d, x, c); });
      stack.push_back(d->w[x + t + 1]);
    } else if (t == kNodeSplit) {
      stack.push_back(d->w[x + 1]);
      stack.push_back(d->w[x + 2]);
    } else {
      stack.push_back(d->w[x + 1]);
    }
  }
  d->nc = n;
  memcpy(d->cls, id, 256);
  for (int c = 255; c >= 0; c--) d->rep[id[c]] = uint8_t(c);
}

uint64_t hashKey(const uint16_t* k, size_t n) {
  uint64_t h = 0x9e3779b97f4a7c15ull ^ n;
  for (size_t j = 0; j < n; j++) h = (h ^ k[j]) * 0x100000001b3ull;
  return h ^ (h >> 29);
}

void clearCache(Dfa* d) {
  d->keys.clear();
  d->states.clear();
  d->trans.clear();
  d->actions.assign(1, Action{});
  d->table.assign(64, -1);
  d->init[0] = d->init[1] = -1;
  d->used = 0;
}

void tableInsert(Dfa* d, int32_t idx) {
  const State& s = d->states[size_t(idx)];
  size_t mask = d->table.size() - 1;
  size_t h = size_t(hashKey(&d->keys[s.key], s.keylen)) & mask;
  while (d->table[h] >= 0) h = (h + 1) & mask;
  d->table[h] = idx;
}

int32_t lookup(const Dfa* d, const uint16_t* key, size_t len) {
  size_t mask = d->table.size() - 1;
  for (size_t h = size_t(hashKey(key, len)) & mask;; h = (h + 1) & mask) {
    int32_t idx = d->table[h];
    if (idx < 0) return -1;
    const State& s = d->states[size_t(idx)];
    if (s.keylen == len && memcmp(&d->keys[s.key], key, len * 2) == 0) return idx;
  }
}

uint32_t addState(Dfa* d, const uint16_t* key, size_t len) {
  State s;
  s.key = uint32_t(d->keys.size());
  s.keylen = uint32_t(len);
  s.flags = uint8_t(key[0]);
  s.k = 0;
  for (size_t j = 1; j < len; j++) s.k += key[j] == 0;
  s.finalRec = kUnknown;
  s.finalFresh = 0;
  d->keys.insert(d->keys.end(), key, key + len);
  d->states.push_back(s);
  d->trans.resize(d->trans.size() + size_t(d->nc), 0);
  d->used += size_t(d->nc) * 8 + len * 2 + sizeof(State) + 8;
  uint32_t idx = uint32_t(d->states.size() - 1);
  if (d->states.size() * 2 > d->table.size()) {
    d->table.assign(d->table.size() * 2, -1);
    for (uint32_t j = 0; j < d->states.size(); j++) tableInsert(d, int32_t(j));
  } else {
    tableInsert(d, int32_t(idx));
  }
  return idx;
}

// The state with `key`, made if new. When the budget is spent the cache is
// emptied first, keeping the state whose index is *keep (updated), if any.
uint32_t intern(Dfa* d, const uint16_t* key, size_t len, uint32_t* keep) {
  int32_t found = lookup(d, key, len);
  if (found >= 0) return uint32_t(found);
  size_t cost = size_t(d->nc) * 8 + len * 2 + sizeof(State) + 8;
  bool full = d->used + cost > d->budget || (d->states.size() + 1) * size_t(d->nc) >= kMaxRows;
  if (full && d->states.size() > 2) {
    std::vector<uint16_t> kept;
    if (keep) {
      const State& s = d->states[*keep];
      kept.assign(d->keys.begin() + s.key, d->keys.begin() + s.key + s.keylen);
    }
    clearCache(d);
    d->resets++;
    d->searchResets++;
    if (keep) *keep = addState(d, kept.data(), kept.size());
    found = lookup(d, key, len);
    if (found >= 0) return uint32_t(found);
  }
  return addState(d, key, len);
}

// One step of the simulation over an abstract thread list.
struct Step {
  Dfa* d;
  unsigned c;          // the byte
  bool final;          // the end-of-subject step
  bool atAnchor;
  bool fresh;          // a new attempt (index k) joins before the step
  int k;               // attempts before the step, without the fresh one
  bool priorBest;      // a best match exists from an earlier step
  int cur;             // attempt being followed
  int bestAt, bestOff; // best match found in this step: attempt and end offset
};

// A match of the current attempt ending at the position (off 0) or after
// its byte (off 1), weighed as the simulation's record() does.
void record(Step& s, int off) {
  int g = s.cur;
  if (s.d->noEmpty && off == 0 && s.fresh && g == s.k) return;   // starts where it ends
  // A best match from an earlier step always loses: the attempt started
  // before it, or with it in longest mode and ends no earlier.
  if (s.bestAt >= 0) {
    if (g > s.bestAt) return;
    if (g == s.bestAt && (off == s.bestOff || !(s.d->longest && off > s.bestOff))) return;
  }
  s.bestAt = g;
  s.bestOff = off;
}

// Queues the current attempt at node x for the next step; the first arrival
// keeps the node (it never has a later start than a newcomer).
void put(Step& s, uint16_t x) {
  Dfa* d = s.d;
  if (d->queued[x] == d->gen) return;
  d->queued[x] = d->gen;
  d->nextNodes.push_back(x);
  d->nextAttempt.push_back(uint8_t(s.cur));
}

// Follows the current attempt from node x through the nodes that consume
// nothing, as the simulation's follow() does without tracking.
void follow(Step& s, uint16_t x) {
  Dfa* d = s.d;
  const uint16_t* w = d->w;
  for (;;) {
    if (x == 0) {
      record(s, 0);
      return;
    }
    if (d->seen[x] == d->gen) return;
    d->seen[x] = d->gen;
    int16_t t = int16_t(w[x]);
    if (t > 0) {
      if (s.final || !consumes(d, x, s.c)) return;
      uint16_t link = w[x + t + 1];
      if (link == 0) record(s, 1);
      else put(s, link);
      return;
    }
    switch (t) {
      case kNodeEmpty:
      case kNodeOpen:
      case kNodeClose:
        x = w[x + 1];
        break;
      case kNodeBol:
        if (!s.atAnchor) return;
        x = w[x + 1];
        break;
      case kNodeEol:
        if (!s.final) return;
        x = w[x + 1];
        break;
      case kNodeSplit:
        follow(s, w[x + 1]);
        x = w[x + 2];
        break;
      default:   // a backreference never holds without tracking
        return;
    }
  }
}

void nextGen(Dfa* d) {
  if (++d->gen == 0) {
    std::fill(d->seen.begin(), d->seen.end(), 0);
    std::fill(d->queued.begin(), d->queued.end(), 0);
    d->gen = 1;
  }
}

// Runs the step for state st on byte class c (or the end of the subject).
Step runStep(Dfa* d, uint32_t st, int c, bool final) {
  const State& src = d->states[st];
  d->srckey.assign(d->keys.begin() + src.key, d->keys.begin() + src.key + src.keylen);
  Step s{};
  s.d = d;
  s.c = d->rep[c];
  s.final = final;
  s.atAnchor = src.flags & kAtAnchor;
  s.fresh = (src.flags & kAddStarts) && (final ? d->setFull : d->pat->inFirstSet(s.c));
  s.k = src.k;
  s.priorBest = src.flags & kBest;
  s.bestAt = -1;
  s.bestOff = 0;
  nextGen(d);
  d->nextNodes.clear();
  d->nextAttempt.clear();
  s.cur = 0;
  for (size_t j = 1; j < d->srckey.size(); j++) {
    uint16_t x = d->srckey[j];
    if (x == 0) s.cur++;
    else follow(s, x);
  }
  if (s.fresh) {
    s.cur = d->exists ? 0 : s.k;
    follow(s, d->pat->start);
  }
  return s;
}

// build() for an automaton that only asks whether a match exists: a state
// is the set of nodes that threads wait at, in a canonical order, and any
// match stops the search.
uint64_t buildExists(Dfa* d, uint32_t* st, int c) {
  Step s = runStep(d, *st, c, false);
  std::vector<uint16_t>& nodes = d->nextNodes;
  std::sort(nodes.begin(), nodes.end());
  uint8_t flags = d->anchored ? 0 : kAddStarts;
  d->keybuf.assign(1, flags);
  d->keybuf.insert(d->keybuf.end(), nodes.begin(), nodes.end());
  if (!nodes.empty()) d->keybuf.push_back(0);
  uint32_t target = intern(d, d->keybuf.data(), d->keybuf.size(), st);
  if (d->searchResets > kMaxResetsPerSearch) return kGiveUp;
  uint64_t t = uint64_t(target) * uint64_t(d->nc) + 1;
  if (s.bestAt >= 0 || (nodes.empty() && target != *st)) {
    Action act{};
    act.rec = int8_t(s.bestAt);
    act.empty = nodes.empty();
    act.flags = flags;
    d->actions.push_back(act);
    t |= uint64_t(d->actions.size() - 1) << 32 | kAttention;
  }
  d->trans[size_t(*st) * size_t(d->nc) + size_t(c)] = t;
  return t;
}

// Computes and stores the transition of state *st on class c; *st may change
// when the cache is emptied. Returns the transition word, or kGiveUp.
uint64_t build(Dfa* d, uint32_t* st, int c) {
  if (d->exists) return buildExists(d, st, c);
  Step s = runStep(d, *st, c, false);
  bool best = s.priorBest || s.bestAt >= 0;
  uint64_t keep = 0;
  for (uint8_t a : d->nextAttempt) keep |= uint64_t(1) << a;
  if (s.bestAt >= 0) {
    int limit = d->longest ? s.bestAt + 1 : s.bestAt;   // attempts below survive
    keep &= (uint64_t(1) << limit) - 1;
  }
  int k2 = std::popcount(keep);
  if (k2 > kMaxAttempts) return kGiveUp;
  uint8_t flags = uint8_t((!d->anchored && !best ? kAddStarts : 0) | (best ? kBest : 0));
  d->keybuf.assign(1, flags);
  for (int a = 0, j = 0; a < s.k + int(s.fresh); a++) {
    if (!((keep >> a) & 1)) {
      while (j < int(d->nextAttempt.size()) && d->nextAttempt[size_t(j)] == a) j++;
      continue;
    }
    for (; j < int(d->nextAttempt.size()) && d->nextAttempt[size_t(j)] == a; j++)
      d->keybuf.push_back(d->nextNodes[size_t(j)]);
    d->keybuf.push_back(0);
  }
  uint32_t target = intern(d, d->keybuf.data(), d->keybuf.size(), st);
  if (d->searchResets > kMaxResetsPerSearch) return kGiveUp;
  uint64_t all = (uint64_t(1) << s.k) - 1;
  // The start positions need no update when no match is recorded and the
  // attempts stay as they were (a fresh attempt that neither survives nor
  // matches leaves no trace) or all end. An end of all attempts still needs
  // the slow path, which stops the search or skips ahead.
  bool identity = s.bestAt < 0 && (keep == all || k2 == 0);
  bool stop = k2 == 0 && target != *st;
  uint64_t t = uint64_t(target) * uint64_t(d->nc) + 1;
  if (!identity || stop) {
    Action act{};
    act.keep = keep;
    act.rec = int8_t(s.bestAt);
    act.off = uint8_t(s.bestOff);
    act.fresh = s.fresh;
    act.srcK = uint8_t(s.k);
    act.keepAll = (keep & all) == all;
    act.empty = k2 == 0;
    act.flags = flags;
    d->actions.push_back(act);
    t |= uint64_t(d->actions.size() - 1) << 32 | kAttention;
  }
  d->trans[size_t(*st) * size_t(d->nc) + size_t(c)] = t;
  return t;
}

// Fills in what the end-of-subject step does in state st.
void buildFinal(Dfa* d, uint32_t st) {
  Step s = runStep(d, st, 0, true);
  d->states[st].finalRec = int8_t(s.bestAt);
  d->states[st].finalFresh = s.fresh;
}

uint32_t initialState(Dfa* d, bool atAnchor) {
  int32_t& slot = d->init[atAnchor];
  if (slot < 0) {
    uint16_t key = uint16_t(kAddStarts | (atAnchor ? kAtAnchor : 0));
    uint32_t idx = intern(d, &key, 1, nullptr);
    d->init[0] = d->init[1] = -1;   // interning may have emptied the cache
    d->init[atAnchor] = int32_t(idx);
  }
  return uint32_t(slot);
}

// With no attempt alive and new ones allowed: the first position >= i whose
// byte can begin one, or -1 if there is none (nor at the end, since only a
// full first-character set lets an attempt begin there, and then every byte
// begins one). A plain scan beats stepping the automaton, whose every byte
// waits for the previous lookup; the prefix scan also passes over bytes that
// begin only attempts bound to fail, which changes no result.
__attribute__((noinline)) int32_t skipByScan(const Dfa* d, const uint8_t* s, int32_t i, int32_t n) {
  int which;
  return prefixScanFind(d->scan, s, n, i, &which);
}

// (The scan is called out of line so that this stays small enough to be
// inlined into the search loops.)
int32_t skipToStart(const Dfa* d, const uint8_t* s, int32_t i, int32_t n) {
  if (i >= n) return d->setFull ? i : -1;
  if (d->scan) return skipByScan(d, s, i, n);
  if (d->memchrByte >= 0) {
    const void* q = memchr(s + i, d->memchrByte, size_t(n - i));
    return q ? int32_t(static_cast<const uint8_t*>(q) - s) : -1;
  }
  for (; i < n; i++)
    if (d->startByte[s[i]]) return i;
  return -1;
}

}  // namespace

Dfa* dfaNew(const AwkPattern* p, int mode, size_t budget, const PrefixScan* scan) {
  Dfa* d = new Dfa();
  // A scan for texts only: where the first bytes are a set, they are
  // mostly dense (digits, letters), and the plain loop below wins.
  d->scan = scan && scan->nheads && !scan->texts.empty() ? scan : nullptr;
  d->pat = p;
  d->w = p->words();
  d->fold = mode & kDfaFold;
  d->longest = !(mode & kDfaFirst);
  d->noEmpty = mode & kDfaNoEmpty;
  d->exists = mode & kDfaExists;
  d->anchored = p->anchored;
  d->hasBol = p->flags & kReHasBol;
  d->setFull = true;
  for (uint8_t b : p->firstset) d->setFull = d->setFull && b == 0xff;
  d->memchrByte = p->has_first && (!d->fold || p->first == p->first_other) ? p->first : -1;
  for (unsigned c = 0; c < 256; c++) d->startByte[c] = p->inFirstSet(c);
  d->budget = budget;
  d->resets = 0;
  d->searchResets = 0;
  d->seen.assign(p->length, 0);
  d->queued.assign(p->length, 0);
  d->gen = 0;
  makeClasses(d);
  clearCache(d);
  return d;
}

void dfaFree(Dfa* d) { delete d; }

uint64_t dfaResets(const Dfa* d) { return d->resets; }

int dfaSearch(Dfa* d, const uint8_t* s, int32_t n, int32_t i, bool atAnchor, int32_t* ms,
              int32_t* me) {
  d->searchResets = 0;
  int32_t starts[kMaxAttempts + 2];   // start of each live attempt, in order
  bool best = false;
  int32_t bs = 0, be = 0;
  const uint32_t nc = uint32_t(d->nc);
  // The state is held as its row (index times classes) and transitions hold
  // target rows, so each byte of the inner loop costs one dependent load.
  uint32_t row = initialState(d, atAnchor && d->hasBol) * nc;
  uint32_t st;
  while (i < n) {
    const uint64_t* T = d->trans.data();
    const uint8_t* cls = d->cls;
    uint64_t t;
    for (;;) {
      t = T[row + cls[s[i]]];
      if (t - 1 >= kAttention - 1) break;   // unknown, or needs attention
      row = uint32_t(t) - 1;
      if (++i == n) goto atEnd;
    }
    if (t == 0) {
      st = row / nc;
      t = build(d, &st, cls[s[i]]);
      if (t == kGiveUp) return -1;
      row = uint32_t(t & (kAttention - 1)) - 1;
      i++;
      if (!(t >> 32)) continue;   // a new transition that needs nothing done
    } else {
      row = uint32_t(t & (kAttention - 1)) - 1;
      i++;
    }
    // The action of the byte at i - 1.
    const Action& act = d->actions[t >> 32];
    if (act.fresh) starts[act.srcK] = i - 1;
    if (act.rec >= 0) {
      best = true;
      bs = starts[act.rec];
      be = i - 1 + act.off;
    }
    if (!act.keepAll) {
      int j = 0;
      for (uint64_t m = act.keep; m; m &= m - 1) starts[j++] = starts[std::countr_zero(m)];
    }
    if (act.empty) {
      if (act.flags & kBest) {
        *ms = bs;
        *me = be;
        return 1;
      }
      if (!(act.flags & kAddStarts)) return 0;
      i = skipToStart(d, s, i, n);
      if (i < 0) return 0;
    }
  }
atEnd:
  st = row / nc;
  if (d->states[st].finalRec == kUnknown) buildFinal(d, st);
  const State& S = d->states[st];
  if (S.finalFresh) starts[S.k] = n;
  if (S.finalRec >= 0) {
    best = true;
    bs = starts[S.finalRec];
    be = n;
  }
  if (!best) return 0;
  *ms = bs;
  *me = be;
  return 1;
}

int dfaExists(Dfa* d, const uint8_t* s, int32_t n, int32_t i, bool atAnchor) {
  d->searchResets = 0;
  const uint32_t nc = uint32_t(d->nc);
  uint32_t row = initialState(d, atAnchor && d->hasBol) * nc;
  uint32_t st;
  while (i < n) {
    const uint64_t* T = d->trans.data();
    const uint8_t* cls = d->cls;
    uint64_t t;
    for (;;) {
      t = T[row + cls[s[i]]];
      if (t - 1 >= kAttention - 1) break;
      row = uint32_t(t) - 1;
      if (++i == n) goto atEnd;
    }
    if (t == 0) {
      st = row / nc;
      t = build(d, &st, cls[s[i]]);
      if (t == kGiveUp) return -1;
    }
    row = uint32_t(t & (kAttention - 1)) - 1;
    i++;
    if (!(t >> 32)) continue;
    const Action& act = d->actions[t >> 32];
    if (act.rec >= 0) return 1;
    if (act.empty) {
      if (!(act.flags & kAddStarts)) return 0;
      i = skipToStart(d, s, i, n);
      if (i < 0) return 0;
    }
  }
atEnd:
  st = row / nc;
  if (d->states[st].finalRec == kUnknown) buildFinal(d, st);
  return d->states[st].finalRec >= 0;
}
