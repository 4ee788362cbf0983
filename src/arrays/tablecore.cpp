// Open addressing with linear probing over the table hash.
//
// Invariants of an array table:
// - a slot is free exactly when its hash is 0 (the hash is never 0 for a key);
// - for every used slot, all slots from its home (hash mod capacity) up to
//   it, wrapping past the end, are used: so a lookup may stop at the first
//   free slot;
// - count * 4 <= capacity * 3 after every insertion, so a free slot always
//   exists and every probe ends;
// - above 256 slots the capacity is a multiple of 256 and the slots live in
//   a directory of 256-slot blocks.
//
// Growth doubles the capacity and re-inserts the old entries, in ascending
// order of their old slots, into fresh blocks. New blocks are allocated only
// when the first entry lands in them and every old block is freed as soon as
// it has been drained, so the peak memory is that of the grown table and no
// single allocation exceeds 256 slots. Directory blocks come from a pool of
// exact-sized blocks (slotpool.h).
//
// Deletion shifts back the entries of the run after the freed slot that
// could not be found past the hole (backward-shift deletion): the same
// layout as re-inserting the run in slot order, at linear cost.
#include "arrays/tablecore.h"

#include "arrays/slotpool.h"

#include <cstdint>
#include <cstring>

#include "image/table_hash.h"
#include "diag/oops.h"
#include "values/alloc.h"

AwkTable* st_lastTable = nullptr;
AwkSlot* st_lastSlot = nullptr;

namespace {

constexpr int32_t kMaxCapacity = int32_t(1) << 29;

uint16_t sizeExponent(int32_t capacity) {
  uint16_t e = 1;
  while (e < 31 && (int64_t(1) << e) < capacity) ++e;
  return e;
}

AwkSlot* newBlock(int32_t slots) {
  return static_cast<AwkSlot*>(spacec(slots * int32_t(sizeof(AwkSlot))));
}

// First free slot from the home of h, allocating a directory block on the
// way when it is still missing (only during growth).
AwkSlot* freeSlotFrom(AwkTable* t, uint32_t h) {
  const int32_t cap = t->capacity;
  int32_t i = st_home(h, cap);
  if (cap <= kBlockSlots) {
    AwkSlot* b = t->block;
    while (b[i].hash != 0)
      if (++i == cap) i = 0;
    return &b[i];
  }
  for (;;) {
    AwkSlot*& blk = t->dir[i >> kBlockShift];
    if (!blk) blk = sp_newblock();
    AwkSlot* s = &blk[i & (kBlockSlots - 1)];
    if (s->hash == 0) return s;
    if (++i == cap) i = 0;
  }
}

// Doubles the capacity (rounded up to whole blocks above 256 slots) and
// re-inserts every entry in ascending order of its old slot.
void grow(AwkTable* t) {
  st_forget(t);
  const int32_t oldCap = t->capacity;
  void* oldSlots = t->slots;
  if (oldCap >= kMaxCapacity) awk_oom(oldCap);
  int32_t cap = oldCap == 0 ? 8 : oldCap * 2;
  if (cap > kBlockSlots) cap = (cap + kBlockSlots - 1) & ~(kBlockSlots - 1);

  if (cap <= kBlockSlots) {
    t->block = newBlock(cap);
  } else {
    // Blocks are created on demand by freeSlotFrom and filled in below.
    t->dir = static_cast<AwkSlot**>(spacec((cap >> kBlockShift) * int32_t(sizeof(AwkSlot*))));
  }
  t->capacity = cap;
  t->sizeexp = sizeExponent(cap);

  auto drain = [t](AwkSlot* blk, int32_t n) {
    for (int32_t i = 0; i < n; ++i)
      if (blk[i].hash != 0) *freeSlotFrom(t, blk[i].hash) = blk[i];
  };
  if (oldCap > kBlockSlots) {
    AwkSlot** dir = static_cast<AwkSlot**>(oldSlots);
    for (int32_t b = 0; b < (oldCap >> kBlockShift); ++b) {
      drain(dir[b], kBlockSlots);
      sp_freeblock(dir[b]);
    }
    spfree(dir);
  } else if (oldSlots) {
    drain(static_cast<AwkSlot*>(oldSlots), oldCap);
    spfree(oldSlots);
  }
  if (cap > kBlockSlots)
    for (int32_t b = 0; b < (cap >> kBlockShift); ++b)
      if (!t->dir[b]) t->dir[b] = sp_newblock();
}

}  // namespace

void st_allocslots(AwkTable* t, int32_t capacity) {
  st_forget(t);
  t->capacity = capacity;
  t->sizeexp = sizeExponent(capacity);
  t->slots = nullptr;
  if (capacity <= 0) {
    t->capacity = 0;
    return;
  }
  if (t->kind == TableKind::KeyList) {
    if (capacity > INT32_MAX / int32_t(sizeof(AwkString*))) awk_oom(capacity);
    t->keys = static_cast<AwkString**>(spacec(capacity * int32_t(sizeof(AwkString*))));
  } else if (capacity <= kBlockSlots) {
    t->block = newBlock(capacity);
  } else {
    if (capacity > kMaxCapacity) awk_oom(capacity);
    const int32_t nb = capacity >> kBlockShift;
    t->dir = static_cast<AwkSlot**>(space(nb * int32_t(sizeof(AwkSlot*))));
    for (int32_t b = 0; b < nb; ++b) t->dir[b] = sp_newblock();
  }
}

void st_freeslots(AwkTable* t) {
  st_forget(t);
  if (t->slots && t->kind == TableKind::Array && t->capacity > kBlockSlots) {
    for (int32_t b = 0; b < (t->capacity >> kBlockShift); ++b) sp_freeblock(t->dir[b]);
  }
  spfree(t->slots);
  t->slots = nullptr;
}

namespace {
inline bool sameKey(const AwkSlot* s, const char* key, uint32_t len, const AwkString* obj) {
  return s->key == obj || st_keyeq(s->key, key, len);
}
}  // namespace

AwkSlot* st_lookup(const AwkTable* t, const char* key, uint32_t len, uint32_t h,
                   AwkSlot** stop, const AwkString* obj) {
  const int32_t cap = t->capacity;
  if (stop) *stop = nullptr;
  if (cap == 0) return nullptr;
  int32_t i = st_home(h, cap);
  if (cap <= kBlockSlots) {
    AwkSlot* b = t->block;
    for (;;) {
      AwkSlot* s = &b[i];
      if (s->hash == h && sameKey(s, key, len, obj)) return s;
      if (s->hash == 0) {
        if (stop) *stop = s;
        return nullptr;
      }
      if (++i == cap) i = 0;
    }
  }
  // Walk block by block so that the directory is read once per block.
  for (;;) {
    AwkSlot* b = t->dir[i >> kBlockShift];
    int32_t j = i & (kBlockSlots - 1);
    for (; j < kBlockSlots; ++j) {
      AwkSlot* s = &b[j];
      if (s->hash == h && sameKey(s, key, len, obj)) return s;
      if (s->hash == 0) {
        if (stop) *stop = s;
        return nullptr;
      }
    }
    i = (i | (kBlockSlots - 1)) + 1;
    if (i == cap) i = 0;
  }
}

AwkSlot* st_create(AwkTable* t, AwkString* key, uint32_t h, AwkSlot* stop) {
  ++t->count;
  AwkSlot* s = stop;
  if (int64_t(t->count) * 4 > int64_t(t->capacity) * 3) {
    grow(t);
    s = nullptr;
  }
  if (!s) s = freeSlotFrom(t, h);
  s->hash = h;
  s->pad = 0;
  s->key = key;
  cellSetUninit(&s->value);
  s->value.aux8a = s->value.aux8b = 0;
  s->value.aux16a = 0;
  s->value.aux16b = 0;
  s->value.x.word2 = 0;
  return s;
}

int32_t st_indexof(const AwkTable* t, const AwkSlot* s) {
  if (t->capacity <= kBlockSlots) return int32_t(s - t->block);
  // A used slot lies in its home's block or in one a probe reaches after
  // it: start there, so the search costs what the lookup did, not the size
  // of the directory.
  const int32_t nb = t->capacity >> kBlockShift;
  int32_t b = st_home(s->hash, t->capacity) >> kBlockShift;
  for (int32_t n = 0; n < nb; ++n, b = b + 1 == nb ? 0 : b + 1) {
    const AwkSlot* blk = t->dir[b];
    if (s >= blk && s < blk + kBlockSlots) return (b << kBlockShift) + int32_t(s - blk);
  }
  awk_assert2(0x4101);
}

void st_delslot(AwkTable* t, int32_t i) {
  st_forget(t);
  AwkSlot* hole = awk_slotat(t, i);
  hole->hash = 0;
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
    AwkSlot* s = awk_slotat(t, j);
    if (s->hash == 0) break;
    const int32_t home = st_home(s->hash, cap);
    const bool stays = h < j ? (h < home && home <= j) : (h < home || home <= j);
    if (stays) continue;
    *hole = *s;
    s->hash = 0;
    hole = s;
    h = j;
  }
}
