// Open addressing with linear probing over the table hash, with the slots
// kept apart from the elements.
//
// Storage: elements are entries (hash, key, value) in dense storage that
// growth does not move (above 256 slots; small tables reallocate their one
// block). Each slot of the index is a 32-bit word: 0 for a free slot, else
// the entry's number (from 1) in the low `sizeexp` bits and the hash's own
// bits above them. A deleted entry goes on a free list threaded through its
// `next` field and is the next one handed out, so the entries ever handed
// out never exceed the largest count the table had: at most 3/4 of its
// capacity, which is why an entry number always fits below the hash bits.
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
#include "arrays/tablecore.h"

#include "arrays/slotpool.h"

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
// The lanes (bit k: word k) of four index words that may name an entry
// whose hash has the bits of `below - 1` above the entry number, that is
// x - below < mask unsigned, or that are free (0).
inline unsigned probeLanes(const uint32_t* words, uint32_t below, uint32_t mask) {
  const __m128i sign = _mm_set1_epi32(int32_t(0x80000000u));
  const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(words));
  // Unsigned a < b is signed (a ^ sign) < (b ^ sign).
  const __m128i d = _mm_xor_si128(_mm_sub_epi32(x, _mm_set1_epi32(int32_t(below))), sign);
  const __m128i cand = _mm_cmplt_epi32(d, _mm_set1_epi32(int32_t(mask ^ 0x80000000u)));
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

// Sets the capacity with its size exponent and entry mask.
void setCapacity(AwkTable* t, int32_t capacity) {
  uint16_t e = 1;
  while (e < 31 && (int64_t(1) << e) < capacity) ++e;
  t->capacity = capacity;
  t->sizeexp = e;
  t->entmask = (uint32_t(1) << e) - 1;
}

// The one block of a table of up to 256 slots (capacity already set):
// entries 0 (unused) to capacity * 3 / 4, the most it can hold, then the
// index, cleared. One block instead of two keeps small arrays small.
void newSmallBlock(AwkTable* t) {
  const int32_t cap = t->capacity;
  const int32_t entBytes = (cap * 3 / 4 + 1) * int32_t(sizeof(AwkSlot));
  char* block = static_cast<char*>(space(entBytes + cap * int32_t(sizeof(uint32_t))));
  t->ents = reinterpret_cast<AwkSlot*>(block);
  t->index = reinterpret_cast<uint32_t*>(block + entBytes);
  std::memset(t->index, 0, size_t(cap) * sizeof(uint32_t));
}

inline uint32_t& wordAt(AwkTable* t, int32_t i) {
  return t->capacity <= kBlockSlots ? t->index[i] : t->idir[i >> kBlockShift][i & kBlockMask];
}

// First free slot from the home of h, taking an index block on the way
// when it is still missing (only during growth).
int32_t freeSlotFrom(AwkTable* t, uint32_t h) {
  const int32_t cap = t->capacity;
  int32_t i = st_home(h, cap);
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
  const uint32_t mask = st_entmask(t);
  auto drain = [t, oldMask, mask](const uint32_t* words, int32_t n) {
    for (int32_t i = 0; i < n; ++i) {
      const uint32_t w = words[i];
      if (!w) continue;
      const uint32_t e = w & oldMask;
      const uint32_t h = st_entry(t, e)->hash;
      wordAt(t, freeSlotFrom(t, h)) = (h & ~mask) | e;
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
  if (t->capacity > kBlockSlots && ((e & kBlockMask) == 0 || e == 1))
    t->edir[e >> kBlockShift] = sp_newblock();
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
}  // namespace

AwkSlot* st_lookup(const AwkTable* t, const char* key, uint32_t len, uint32_t h,
                   int32_t* stop, const AwkString* obj) {
  const int32_t cap = t->capacity;
  if (stop) *stop = -1;
  if (cap == 0) return nullptr;
  // A word names an entry whose hash may be h exactly when it lies in
  // (t, t + mask], t being h without its entry-number bits; a free slot's 0
  // never does. One subtraction and compare tells.
  const uint32_t mask = st_entmask(t);
  const uint32_t below = (h & ~mask) + 1;
  // True when the lookup ends at slot `at`, whose word is x: with the
  // element holding the key in *found, or with null at a free slot.
  // (`small`, a constant at each use, picks the entry storage.)
  auto endsAt = [&](uint32_t x, int32_t at, AwkSlot** found, bool small) {
    const uint32_t e = x & mask;
    AwkSlot* s = x - below >= mask ? nullptr
                 : small        ? &t->ents[e]
                                : &t->edir[e >> kBlockShift][e & kBlockMask];
    if (s && !(s->hash == h && sameKey(s, key, len, obj))) s = nullptr;
    if (!s && x != 0) return false;
    if (stop) *stop = at;
    *found = s;
    return true;
  };
  AwkSlot* found;
  int32_t i = st_home(h, cap);
  if (cap <= kBlockSlots) {
    for (;; i = i + 1 == cap ? 0 : i + 1)
      if (endsAt(t->index[i], i, &found, true)) return found;
  }
  // The home slot first: most lookups end there.
  if (endsAt(t->idir[i >> kBlockShift][i & int32_t(kBlockMask)], i, &found, false)) return found;
  if (++i == cap) i = 0;
  // Then block by block so that the directory is read once per block; in
  // a block, four words a step, a lane being of interest when it may name
  // an entry with hash h or is free. Clustered keys make runs dozens of
  // slots long in big tables, which this reads in a few steps.
  for (;;) {
    const uint32_t* b = t->idir[i >> kBlockShift];
    const int32_t base = i & ~int32_t(kBlockMask);
    int32_t j = i & int32_t(kBlockMask);
#if defined(__SSE2__)
    for (; j + 4 <= kBlockSlots; j += 4)
      for (unsigned lanes = probeLanes(b + j, below, mask); lanes; lanes &= lanes - 1) {
        const int32_t at = j + __builtin_ctz(lanes);
        if (endsAt(b[at], base | at, &found, false)) return found;
      }
#endif
    for (; j < kBlockSlots; ++j)
      if (endsAt(b[j], base | j, &found, false)) return found;
    i = base + kBlockSlots;
    if (i == cap) i = 0;
  }
}

AwkSlot* st_create(AwkTable* t, AwkString* key, uint32_t h, int32_t stop) {
  t->filled = 0;
  ++t->count;
  if (int64_t(t->count) * 4 > int64_t(t->capacity) * 3) {
    grow(t);
    stop = -1;
  }
  if (stop < 0) stop = freeSlotFrom(t, h);
  const uint32_t e = newEntry(t);
  wordAt(t, stop) = (h & ~st_entmask(t)) | e;
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

void st_delslot(AwkTable* t, int32_t i) {
  st_forget(t);
  t->filled = 0;
  const uint32_t mask = st_entmask(t);
  uint32_t* hole = &wordAt(t, i);
  const uint32_t e = *hole & mask;
  AwkSlot* gone = st_entry(t, e);
  gone->hash = 0;
  gone->next = uint32_t(t->freeEnt);
  t->freeEnt = int32_t(e);
  *hole = 0;
  --t->count;
  // Backward shift: walk the run after the hole; an entry whose home lies
  // cyclically in (hole, j] stays, any other moves back into the hole, which
  // then moves to its old slot. Each entry moves at most once. This is the
  // layout that taking each entry of the run out in slot order and inserting
  // it again from its home gives (it would land at the first free slot from
  // its home: j itself, or the hole, since every slot between is used).
  const int32_t cap = t->capacity;
  int32_t h = i;
  for (int32_t j = i + 1 == cap ? 0 : i + 1;; j = j + 1 == cap ? 0 : j + 1) {
    uint32_t* w = &wordAt(t, j);
    if (*w == 0) break;
    const int32_t home = st_home(st_entry(t, *w & mask)->hash, cap);
    const bool stays = h < j ? (h < home && home <= j) : (h < home || home <= j);
    if (stays) continue;
    *hole = *w;
    *w = 0;
    hole = w;
    h = j;
  }
}
