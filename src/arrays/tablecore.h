// Probing, insertion, growth and slot removal shared by the array services.
// These touch only slots, keys and the allocator: they never release value
// cells, which is left to the callers.
#pragma once
#include <cstdint>
#include <cstring>

#include "arrays/table.h"

// The element holding the key with hash h, or null. Compares full keys only
// when the stored hash matches. When `stop` is given, *stop is the slot of
// the element found; or, when the key is absent, the free slot where the
// lookup ended (-1 for a table without slots): the place a new entry takes
// unless the table grows first.
// `obj`, when given, is a string object holding the key's bytes: a slot
// whose key is that very object matches without its bytes being compared
// (a key taken from the table itself, as `for (k in a) ... a[k]` does).
AwkSlot* st_lookup(const AwkTable* t, const char* key, uint32_t len, uint32_t h,
                   int32_t* stop = nullptr, const AwkString* obj = nullptr);

// True when the string object holds exactly the len bytes at p. Keys are
// mostly short: they are compared in place, a word or two at a time,
// without a call.
inline bool st_keyeq(const AwkString* k, const char* p, uint32_t len) {
  if (k->len != len) return false;
  const char* q = k->text();
  if (len >= 8) {
    if (len > 16) return std::memcmp(q, p, len) == 0;
    uint64_t a, b, c, d;
    std::memcpy(&a, q, 8);
    std::memcpy(&b, p, 8);
    std::memcpy(&c, q + len - 8, 8);
    std::memcpy(&d, p + len - 8, 8);
    return ((a ^ b) | (c ^ d)) == 0;
  }
  if (len >= 4) {
    uint32_t a, b, c, d;
    std::memcpy(&a, q, 4);
    std::memcpy(&b, p, 4);
    std::memcpy(&c, q + len - 4, 4);
    std::memcpy(&d, p + len - 4, 4);
    return ((a ^ b) | (c ^ d)) == 0;
  }
  for (uint32_t i = 0; i < len; ++i)
    if (q[i] != p[i]) return false;
  return true;
}

// Home slot of hash h in a table of cap slots (h mod cap; a mask when the
// capacity is a power of two, as it is unless a table was made larger).
inline int32_t st_home(uint32_t h, int32_t cap) {
  const uint32_t c = uint32_t(cap);
  return int32_t((c & (c - 1)) == 0 ? h & (c - 1) : h % c);
}

// A new element for a key known to be absent, with its value
// uninitialized. The reference to key moves into the table. Grows the table
// first when the new count would pass 3/4 of the capacity; otherwise takes
// slot `stop` (from st_lookup) when it is not -1.
AwkSlot* st_create(AwkTable* t, AwkString* key, uint32_t h, int32_t stop = -1);

// Deletes the element in used slot i, whose key and value the caller has
// taken out first (its entry's fields are reused at once): gives the entry back for
// reuse and marks the slot dead, to be settled (the run after it shifted
// back) by st_settle; st_delslot settles at once.
void st_markdead(AwkTable* t, int32_t i);
void st_delslot(AwkTable* t, int32_t i);

// The element most recently reached through an array cell. `a[k] += v`
// looks its element up to read it and again to store it; the second lookup
// finds it here without hashing or probing. Anything that moves or frees
// slots of that table (growth, deletion, clearing, freeing) forgets it;
// insertions move nothing, except growth of a table of up to 256 slots
// (whose entries live in one block that is reallocated).
extern AwkTable* st_lastTable;
extern AwkSlot* st_lastSlot;
inline void st_forget(const AwkTable* t) {
  if (st_lastTable == t) st_lastTable = nullptr;
}

// Allocates an empty index and entry storage for a capacity (an array's
// capacity above 256 must be a multiple of 256), or a zeroed key list, and
// sets capacity and size exponent.
void st_allocslots(AwkTable* t, int32_t capacity);
// Frees the index and entry storage of an array, or a key list's block (not
// what the entries refer to).
void st_freeslots(AwkTable* t);
