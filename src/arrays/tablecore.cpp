// Open addressing with linear probing over the table hash, with the slots
// kept apart from the elements.
//
// Storage: elements are entries (hash, key, value) in dense storage that
// growth does not move (above 256 slots; small tables reallocate their one
// block). Each slot of the index is a 32-bit word: 0 for a free slot, else
// the entry's number (from 1) in the low `sizeexp` bits, then the slot's
// distance from the entry's home (up to 10 bits, saturated at `distmax`),
// then as many of the hash's top bits as are left. A probe at distance d
// from the key's home reads an entry only when the word has distance d and
// the key's top hash bits; and a deletion learns from the word alone which
// entries after the hole may move back into it, reading an entry only for
// a saturated distance. Keys that cluster (decimal keys in big tables make
// runs hundreds of slots long) then cost no entry reads for the slots a
// probe or a deletion walks past. A deleted entry goes on a free list
// threaded through its `next` field and is the next one handed out, so the
// entries ever handed out never exceed the largest count the table had: at
// most 3/4 of its capacity, which is why an entry number always fits in
// the low `sizeexp` bits.
//
// Invariants of an array table:
// - a slot is free exactly when its word is 0; an entry is free exactly
//   when its hash is 0 (the hash is never 0 for a key);
// - for every used slot, all slots from its home (hash mod capacity) up to
//   it, wrapping past the end, are used: so a lookup may stop at the first
//   free slot;
// - count * 4 <= capacity * 3 after every insertion, so a free slot always
//   exists and every probe ends;
// - above 256 slots the capacity is a multiple of 256, and the index and
//   the entries live in directories of 256-word and 256-entry blocks.
//
// The slot order (what an unsorted `for (k in a)` shows) depends only on
// the keys' hashes and the order of operations, never on where entries are
// stored: growth doubles the capacity and re-inserts the entries in
// ascending order of their old slots; deletion shifts back the entries of
// the run after the freed slot that could not be found past the hole
// (backward-shift deletion), the layout re-inserting the run in slot order
// gives, at linear cost. Growth rebuilds only the index, 4 bytes a slot:
// new index blocks are taken when the first entry lands in them and every
// old one is given back as soon as it has been drained.
//
// Deleting through the array services only marks the slot dead (a word
// with entry number 0; lookups walk past it as past any other key) and
// frees the entry; the shift waits until the slot order is needed
// (st_settle). A run from which many elements were deleted is then walked
// once instead of once per deletion: deleting every other key of a big
// array whose keys cluster into runs hundreds of slots long no longer
// costs a walk of the rest of the run per key. Shifting back every dead
// slot of a run in one walk leaves the layout the deletions one at a time
// would have left, in whatever order they came. Dead slots count as used
// for the load limit, so a free slot still ends every probe: dead + count
// never exceeds the largest count the table had since it last grew.
// The entries freed by deletions not yet settled head the free list, each
// holding its slot, so settling needs no memory beyond the holes of the
// run it walks.
#include "arrays/tablecore.h"

#include "arrays/slotpool.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "diag/oops.h"
#include "values/alloc.h"

AwkTable* st_lastTable = nullptr;
AwkSlot* st_lastSlot = nullptr;

namespace {

#if defined(__SSE2__)
// The lanes (bit k: word k) of four index words that are free (0) or whose
// bits above the entry number (`high`) are lane k of `want`: those that may
// name the key's entry.
inline unsigned probeLanes(const uint32_t* words, __m128i want, __m128i high) {
  const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(words));
  const __m128i cand = _mm_cmpeq_epi32(_mm_and_si128(x, high), want);
  const __m128i free = _mm_cmpeq_epi32(x, _mm_setzero_si128());
  return unsigned(_mm_movemask_ps(_mm_castsi128_ps(_mm_or_si128(cand, free))));
}

// The lanes of four index words that are free.
inline unsigned freeLanes(const uint32_t* words) {
  const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(words));
  return unsigned(_mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(x, _mm_setzero_si128()))));
}
#endif

constexpr int32_t kMaxCapacity = int32_t(1) << 29;
constexpr uint32_t kBlockMask = kBlockSlots - 1;
constexpr uint32_t kDistBits = 10;

// Sets the capacity with its size exponent and the layout of index words.
void setCapacity(AwkTable* t, int32_t capacity) {
  uint32_t e = 1;
  while (e < 31 && (int64_t(1) << e) < capacity) ++e;
  t->capacity = capacity;
  t->sizeexp = uint16_t(e);
  t->entmask = (uint32_t(1) << e) - 1;
  const uint32_t dbits = std::min(kDistBits, 32 - e);
  t->distmax = (uint32_t(1) << dbits) - 1;
  t->hashkeep = e + dbits >= 32 ? 0 : ~((uint32_t(1) << (e + dbits)) - 1);
}

// The index word for entry e, whose hash is h and home slot `home`, in
// slot `at`.
inline uint32_t wordFor(const AwkTable* t, uint32_t h, uint32_t e, int32_t home, int32_t at) {
  int32_t d = at - home;
  if (d < 0) d += t->capacity;
  return (h & t->hashkeep) | (std::min(uint32_t(d), t->distmax) << t->sizeexp) | e;
}

// The one block of a table of up to 256 slots (capacity already set):
// entries 0 (unused) to capacity * 3 / 4, the most it can hold, then the
// index, cleared. One block instead of two keeps small arrays small.
void newSmallBlock(AwkTable* t) {
  const int32_t cap = t->capacity;
  const int32_t entBytes = (cap * 3 / 4 + 1) * int32_t(sizeof(AwkSlot));
  char* block = static_cast<char*>(space(entBytes + cap * int32_t(sizeof(uint32_t))));
  t->ents = reinterpret_cast<AwkSlot*>(block);
  t->ents[0].hash = 0;
  t->index = reinterpret_cast<uint32_t*>(block + entBytes);
  std::memset(t->index, 0, size_t(cap) * sizeof(uint32_t));
}

inline uint32_t& wordAt(AwkTable* t, int32_t i) {
  return t->capacity <= kBlockSlots ? t->index[i] : t->idir[i >> kBlockShift][i & kBlockMask];
}

// First free slot from slot `home`, taking an index block on the way when
// it is still missing (only during growth).
int32_t freeSlotFrom(AwkTable* t, int32_t home) {
  const int32_t cap = t->capacity;
  int32_t i = home;
  if (cap <= kBlockSlots) {
    const uint32_t* w = t->index;
    while (w[i] != 0)
      if (++i == cap) i = 0;
    return i;
  }
  for (;;) {
    uint32_t*& blk = t->idir[i >> kBlockShift];
    if (!blk) blk = sp_newindex();
    const int32_t base = i & ~int32_t(kBlockMask);
    int32_t j = i & int32_t(kBlockMask);
#if defined(__SSE2__)
    for (; j + 4 <= kBlockSlots; j += 4)
      if (const unsigned lanes = freeLanes(blk + j)) return base | (j + __builtin_ctz(lanes));
#endif
    for (; j < kBlockSlots; ++j)
      if (blk[j] == 0) return base | j;
    i = base + kBlockSlots;
    if (i == cap) i = 0;
  }
}

// Doubles the capacity (rounded up to whole blocks above 256 slots) and
// re-indexes every entry in ascending order of its old slot.
void grow(AwkTable* t) {
  st_forget(t);
  const int32_t oldCap = t->capacity;
  void* oldIndex = t->slots;
  void* oldEnts = t->ents;  // up to 256 slots, the block that holds the index too
  const uint32_t oldMask = st_entmask(t);
  if (oldCap >= kMaxCapacity) awk_oom(oldCap);
  int32_t cap = oldCap == 0 ? 8 : oldCap * 2;
  if (cap > kBlockSlots) cap = (cap + kBlockSlots - 1) & ~(kBlockSlots - 1);

  setCapacity(t, cap);
  // Entries move only while the table is small; above 256 slots the new
  // entry directory names the same blocks.
  const size_t used = size_t(t->nents + 1) * sizeof(AwkSlot);  // with entry 0
  if (cap <= kBlockSlots) {
    newSmallBlock(t);
    if (t->nents) std::memcpy(static_cast<void*>(t->ents), oldEnts, used);
  } else {
    auto** edir = static_cast<AwkSlot**>(spacec((cap >> kBlockShift) * int32_t(sizeof(AwkSlot*))));
    if (oldCap > kBlockSlots) {
      std::memcpy(edir, oldEnts, size_t(oldCap >> kBlockShift) * sizeof(AwkSlot*));
    } else if (t->nents) {
      edir[0] = sp_newblock();
      std::memcpy(static_cast<void*>(edir[0]), oldEnts, used);
    }
    t->edir = edir;
    // Index blocks are taken on demand by freeSlotFrom and filled in below.
    t->idir = static_cast<uint32_t**>(spacec((cap >> kBlockShift) * int32_t(sizeof(uint32_t*))));
  }
  auto drain = [t, oldMask](const uint32_t* words, int32_t n) {
    for (int32_t i = 0; i < n; ++i) {
      const uint32_t w = words[i];
      if (!w) continue;
      const uint32_t e = w & oldMask;
      const uint32_t h = st_entry(t, e)->hash;
      const int32_t home = st_home(h, t->capacity);
      const int32_t at = freeSlotFrom(t, home);
      wordAt(t, at) = wordFor(t, h, e, home, at);
    }
  };
  if (oldCap > kBlockSlots) {
    auto** dir = static_cast<uint32_t**>(oldIndex);
    for (int32_t b = 0; b < (oldCap >> kBlockShift); ++b) {
      drain(dir[b], kBlockSlots);
      sp_freeindex(dir[b]);
    }
    spfree(dir);
  } else if (oldIndex) {
    drain(static_cast<uint32_t*>(oldIndex), oldCap);
  }
  spfree(oldEnts);  // the old entry directory, or the old small block
  if (cap > kBlockSlots)
    for (int32_t b = 0; b < (cap >> kBlockShift); ++b)
      if (!t->idir[b]) t->idir[b] = sp_newindex();
}

// An entry for a new element: the most recently freed one, else the next
// never used (taking an entry block when it starts one).
uint32_t newEntry(AwkTable* t) {
  if (t->freeEnt) {
    const uint32_t e = uint32_t(t->freeEnt);
    t->freeEnt = int32_t(st_entry(t, e)->next);
    return e;
  }
  const uint32_t e = uint32_t(++t->nents);
  if (t->capacity > kBlockSlots && ((e & kBlockMask) == 0 || e == 1)) {
    t->edir[e >> kBlockShift] = sp_newblock();
    if (e == 1) t->edir[0][0].hash = 0;
  }
  return e;
}

}  // namespace

void st_allocslots(AwkTable* t, int32_t capacity) {
  st_forget(t);
  t->filled = 0;
  setCapacity(t, capacity);
  t->slots = nullptr;
  t->ents = nullptr;
  t->nents = 0;
  t->freeEnt = 0;
  t->dead = 0;
  if (capacity <= 0) {
    setCapacity(t, 0);
    return;
  }
  if (t->kind == TableKind::KeyList) {
    if (capacity > INT32_MAX / int32_t(sizeof(AwkString*))) awk_oom(capacity);
    t->keys = static_cast<AwkString**>(spacec(capacity * int32_t(sizeof(AwkString*))));
  } else if (capacity <= kBlockSlots) {
    newSmallBlock(t);
  } else {
    if (capacity > kMaxCapacity) awk_oom(capacity);
    const int32_t nb = capacity >> kBlockShift;
    t->idir = static_cast<uint32_t**>(space(nb * int32_t(sizeof(uint32_t*))));
    for (int32_t b = 0; b < nb; ++b) t->idir[b] = sp_newindex();
    t->edir = static_cast<AwkSlot**>(spacec(nb * int32_t(sizeof(AwkSlot*))));
  }
}

void st_freeslots(AwkTable* t) {
  st_forget(t);
  if (t->kind == TableKind::KeyList) {
    spfree(t->keys);
  } else if (t->slots && t->capacity > kBlockSlots) {
    for (int32_t b = 0; b < (t->capacity >> kBlockShift); ++b) sp_freeindex(t->idir[b]);
    if (t->nents)
      for (int32_t b = 0; b <= t->nents >> kBlockShift; ++b) sp_freeblock(t->edir[b]);
    spfree(t->idir);
    spfree(t->edir);
  } else {
    spfree(t->ents);  // the index lives in the same block
  }
  t->slots = nullptr;
  t->ents = nullptr;
}

namespace {
inline bool sameKey(const AwkSlot* s, const char* key, uint32_t len, const AwkString* obj) {
  return s->key == obj || st_keyeq(s->key, key, len);
}

// The key being looked up.
struct Probe {
  const char* key;
  uint32_t len;
  uint32_t h;
  const AwkString* obj;
};

// The entry that word x of a table above 256 slots names, if it holds the
// probe's key; else null.
inline AwkSlot* blockMatch(const AwkTable* t, uint32_t x, const Probe& p) {
  const uint32_t e = x & st_entmask(t);
  AwkSlot* s = &t->edir[e >> kBlockShift][e & kBlockMask];
  return s->hash == p.h && sameKey(s, p.key, p.len, p.obj) ? s : nullptr;
}

// The rest of a lookup in a table above 256 slots, from slot i at distance
// 1 from the key's home: the slots up to a multiple of four one by one (most
// lookups end there), then block by block so that the directory is read
// once per block; in a block, four words a step (while the distances are
// below saturation), a lane being of interest when it may name the key's
// entry or is free. Clustered keys make runs dozens of slots long in big
// tables, which this reads in a few steps.
[[gnu::noinline]] AwkSlot* lookupBlocks(const AwkTable* t, const Probe& p, int32_t i, int32_t* stop) {
  const int32_t cap = t->capacity;
  const uint32_t mask = st_entmask(t);
  const uint32_t shift = t->sizeexp;
  const uint32_t dmax = t->distmax;
  const uint32_t keep = p.h & t->hashkeep;
  AwkSlot* found = nullptr;
  // True when the lookup ends at word x, which names the key's entry only
  // if it carries the key's kept hash bits and distance d.
  auto endsAt = [&](uint32_t x, uint32_t d) {
    return x == 0 || ((x & ~mask) == (keep | std::min(d, dmax) << shift) && (found = blockMatch(t, x, p)));
  };
  uint32_t d = 1;
  for (const uint32_t* b = t->idir[i >> kBlockShift];; ++d) {
    if (endsAt(b[i & int32_t(kBlockMask)], d)) {
      if (stop) *stop = i;
      return found;
    }
    if (++i == cap) i = 0;
    if ((i & 3) == 0) break;
  }
  ++d;
#if defined(__SSE2__)
  const uint32_t step = uint32_t(1) << shift;
  const __m128i steps = _mm_set_epi32(int32_t(3 * step), int32_t(2 * step), int32_t(step), 0);
  const __m128i step4 = _mm_set1_epi32(int32_t(4 * step));
  const __m128i high = _mm_set1_epi32(int32_t(~mask));
#endif
  for (;;) {
    const uint32_t* b = t->idir[i >> kBlockShift];
    const int32_t base = i & ~int32_t(kBlockMask);
    int32_t j = i & int32_t(kBlockMask);
#if defined(__SSE2__)
    if (d + 3 < dmax) {
      // The words' tags at distances d .. d + 3, then four further a step.
      __m128i want = _mm_add_epi32(_mm_set1_epi32(int32_t(keep | d << shift)), steps);
      const int32_t end = std::min(kBlockSlots, j + int32_t(dmax - d) - 3);
      for (; j + 4 <= end; j += 4, d += 4, want = _mm_add_epi32(want, step4))
        for (unsigned lanes = probeLanes(b + j, want, high); lanes; lanes &= lanes - 1) {
          const int32_t k = __builtin_ctz(lanes);
          if (endsAt(b[j + k], d + uint32_t(k))) {
            i = base | (j + k);
            goto done;
          }
        }
    }
#endif
    for (; j < kBlockSlots; ++j, ++d)
      if (endsAt(b[j], d)) {
        i = base | j;
        goto done;
      }
    i = base + kBlockSlots;
    if (i == cap) i = 0;
  }
done:
  if (stop) *stop = i;
  return found;
}
}  // namespace

AwkSlot* st_lookup(const AwkTable* t, const char* key, uint32_t len, uint32_t h,
                   int32_t* stop, const AwkString* obj) {
  const int32_t cap = t->capacity;
  if (cap == 0) {
    if (stop) *stop = -1;
    return nullptr;
  }
  // The word of the key's entry at distance d from its home has, above the
  // entry number, the key's kept hash bits and d (saturated); a free slot's
  // word is 0.
  const uint32_t mask = st_entmask(t);
  const uint32_t step = uint32_t(1) << t->sizeexp;
  uint32_t tag = h & t->hashkeep;
  int32_t i = st_home(h, cap);
  AwkSlot* found = nullptr;
  if (cap <= kBlockSlots) {
    // Distances here never reach saturation.
    for (const uint32_t* w = t->index;; tag += step) {
      const uint32_t x = w[i];
      if (x == 0) break;
      if ((x & ~mask) == tag) {
        AwkSlot* s = &t->ents[x & mask];
        if (s->hash == h && sameKey(s, key, len, obj)) {
          found = s;
          break;
        }
      }
      if (++i == cap) i = 0;
    }
    if (stop) *stop = i;
    return found;
  }
  // The home slot first: most lookups end there.
  const Probe p{key, len, h, obj};
  const uint32_t x = t->idir[i >> kBlockShift][i & int32_t(kBlockMask)];
  if (x == 0 || ((x & ~mask) == tag && (found = blockMatch(t, x, p)))) {
    if (stop) *stop = i;
    return found;
  }
  return lookupBlocks(t, p, i + 1 == cap ? 0 : i + 1, stop);
}

namespace {
// Frees the entry of used slot i for reuse: it heads the free list.
AwkSlot* freeEntryOf(AwkTable* t, int32_t i) {
  st_forget(t);
  t->filled = 0;
  const uint32_t e = wordAt(t, i) & st_entmask(t);
  AwkSlot* gone = st_entry(t, e);
  gone->hash = 0;
  gone->next = uint32_t(t->freeEnt);
  t->freeEnt = int32_t(e);
  --t->count;
  return gone;
}

// The word that marks a dead slot: entry number 0 and, so that probes
// rarely even compare it, the saturated distance.
inline uint32_t deadWord(const AwkTable* t) { return t->distmax << t->sizeexp; }
inline bool isDead(const AwkTable* t, uint32_t w) { return w != 0 && (w & st_entmask(t)) == 0; }

// How far the entry that used word w names, in slot j, lies from its home:
// from the word, unless the distance saturated there.
inline uint32_t distanceOf(const AwkTable* t, uint32_t w, int32_t j) {
  const uint32_t dist = (w >> t->sizeexp) & t->distmax;
  if (dist < t->distmax) return dist;
  const int32_t d = j - st_home(st_entry(t, w & st_entmask(t))->hash, t->capacity);
  return uint32_t(d < 0 ? d + t->capacity : d);
}

// The holes met so far on a walk along a run, as distances from its start,
// ascending; the first 64 in place, more on the heap.
class Holes {
 public:
  Holes() = default;
  Holes(const Holes&) = delete;
  Holes& operator=(const Holes&) = delete;
  ~Holes() {
    if (at_ != local_) spfree(at_);
  }
  void clear() { head_ = n_ = 0; }
  bool empty() const { return head_ == n_; }
  void push(int32_t pos) {
    if (n_ == cap_) {
      if (head_ > 0) {  // room at the front first
        std::memmove(at_, at_ + head_, size_t(n_ - head_) * sizeof *at_);
        n_ -= head_;
        head_ = 0;
      } else {
        if (cap_ > INT32_MAX / 8) awk_oom(cap_);
        auto* more = static_cast<int32_t*>(space(cap_ * 2 * int32_t(sizeof *at_)));
        std::memcpy(more, at_, size_t(n_) * sizeof *at_);
        if (at_ != local_) spfree(at_);
        at_ = more;
        cap_ *= 2;
      }
    }
    at_[n_++] = pos;
  }
  // Takes out the first hole at or after `from` into *pos; false if none.
  bool takeFrom(int32_t from, int32_t* pos) {
    if (at_[head_] >= from) {  // most entries have their home before every hole
      *pos = at_[head_++];
      return true;
    }
    int32_t* p = std::lower_bound(at_ + head_ + 1, at_ + n_, from);
    if (p == at_ + n_) return false;
    *pos = *p;
    std::memmove(p, p + 1, size_t(at_ + n_ - p - 1) * sizeof *at_);
    --n_;
    return true;
  }

 private:
  int32_t local_[64];
  int32_t* at_ = local_;
  int32_t head_ = 0, n_ = 0, cap_ = 64;
};

// Shifts back the entries of the run in which `first` is the first dead
// slot, in one walk to the run's end: each dead slot becomes a hole, and
// each entry moves into the first hole at or after its home, if one lies
// before it, leaving a hole where it was. That is where re-inserting the
// entries in slot order would put them. Returns the free slot that ends
// the run.
int32_t settleRun(AwkTable* t, int32_t first, Holes& holes) {
  const int32_t cap = t->capacity;
  const uint32_t mask = st_entmask(t);
  const uint32_t shift = t->sizeexp;
  const uint32_t dmax = t->distmax;
  holes.clear();
  int32_t j = first;
  for (int32_t pos = 0;; ++pos, j = j + 1 == cap ? 0 : j + 1) {
    uint32_t& w = wordAt(t, j);
    if (w == 0) return j;
    const uint32_t e = w & mask;
    if (e == 0) {
      w = 0;
      holes.push(pos);
      continue;
    }
    if (holes.empty()) continue;
    const int32_t home = pos - int32_t(distanceOf(t, w, j));  // negative: before `first`
    int32_t to;
    if (!holes.takeFrom(home, &to)) continue;
    int32_t slot = first + to;
    if (slot >= cap) slot -= cap;
    wordAt(t, slot) = (w & ~(dmax << shift)) | (std::min(uint32_t(to - home), dmax) << shift);
    w = 0;
    holes.push(pos);
  }
}

// settleRun for a run with one dead slot, i, the common case when
// deletions and insertions alternate: the classic backward shift, with
// one hole that moves along. The entry at j is `dist` slots from its home
// and `gap` from the hole: it stays when dist < gap.
int32_t shiftBack(AwkTable* t, int32_t i) {
  const int32_t cap = t->capacity;
  const uint32_t shift = t->sizeexp;
  const uint32_t dmax = t->distmax;
  uint32_t* hole = &wordAt(t, i);
  *hole = 0;
  uint32_t gap = 0;
  for (int32_t j = i + 1 == cap ? 0 : i + 1;; j = j + 1 == cap ? 0 : j + 1) {
    uint32_t* w = &wordAt(t, j);
    if (*w == 0) return j;
    ++gap;
    const uint32_t dist = distanceOf(t, *w, j);
    if (dist < gap) continue;
    *hole = (*w & ~(dmax << shift)) | (std::min(dist - gap, dmax) << shift);
    *w = 0;
    hole = w;
    gap = 0;
  }
}

// Settles every dead slot; true when one of the runs walked ended at slot
// `end`.
bool settleAll(AwkTable* t, int32_t end) {
  if (t->dead == 1) {
    t->dead = 0;
    return shiftBack(t, int32_t(st_entry(t, uint32_t(t->freeEnt))->deadAt)) == end;
  }
  bool ended = false;
  Holes holes;
  const int32_t cap = t->capacity;
  uint32_t e = uint32_t(t->freeEnt);
  for (int32_t left = t->dead; left > 0; --left) {
    const AwkSlot* s = st_entry(t, e);
    const auto i = int32_t(s->deadAt);
    e = s->next;
    if (!isDead(t, wordAt(t, i))) continue;  // its run is settled already
    // The run's first dead slot, unless this is the last one left: back
    // to the free slot before the run.
    int32_t first = i;
    if (left > 1)
      for (int32_t j = i == 0 ? cap - 1 : i - 1; wordAt(t, j) != 0; j = j == 0 ? cap - 1 : j - 1)
        if (isDead(t, wordAt(t, j))) first = j;
    ended |= settleRun(t, first, holes) == end;
  }
  t->dead = 0;
  return ended;
}
}  // namespace

AwkSlot* st_create(AwkTable* t, AwkString* key, uint32_t h, int32_t stop) {
  // Settling frees slots only in runs with dead slots: the lookup's free
  // slot stays the first from the key's home unless it ends such a run.
  if (t->dead && settleAll(t, stop)) stop = -1;
  t->filled = 0;
  ++t->count;
  if (int64_t(t->count) * 4 > int64_t(t->capacity) * 3) {
    grow(t);
    stop = -1;
  }
  const int32_t home = st_home(h, t->capacity);
  if (stop < 0) stop = freeSlotFrom(t, home);
  const uint32_t e = newEntry(t);
  wordAt(t, stop) = wordFor(t, h, e, home, stop);
  AwkSlot* s = st_entry(t, e);
  s->hash = h;
  s->next = 0;
  s->key = key;
  cellSetUninit(&s->value);
  s->value.aux8a = s->value.aux8b = 0;
  s->value.aux16a = 0;
  s->value.aux16b = 0;
  s->value.x.word2 = 0;
  return s;
}

void st_markdead(AwkTable* t, int32_t i) {
  freeEntryOf(t, i)->deadAt = i;
  wordAt(t, i) = deadWord(t);
  ++t->dead;
}

void st_settle(AwkTable* t) { settleAll(t, -1); }

void st_delslot(AwkTable* t, int32_t i) {
  st_markdead(t, i);
  st_settle(t);
}
