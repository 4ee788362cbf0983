// Associative arrays: open-addressing hash tables keyed by string objects,
// and the sorted key lists that drive `for (k in a)`.
//
// One struct serves two kinds. An array (kind 1) keeps its elements as
// AwkSlot entries: the key's hash, the key (owned) and the value cell
// (owned). The entries sit in dense storage and do not move when the table
// grows; the hash order lives in a separate index of 32-bit words, one per
// slot, that name the entry in each used slot (0: a free slot). Arrays of up
// to 256 slots keep the entries and the index in one block; larger
// arrays keep directories of 256-word index blocks and 256-entry blocks, so
// no allocation is big and growth rebuilds only the index. A key list
// (kind 2) holds owned string objects and uses `count` as its iteration
// cursor; it is always one block (it is sorted in place).
#pragma once
#include <cstdint>

#include "values/cell.h"
#include "values/strobj.h"

enum class TableKind : uint8_t { Array = 1, KeyList = 2 };

// One element of an array.
struct AwkSlot {
  uint32_t hash;    // 0: a free entry
  uint32_t next;    // free entries: the next free entry's number (0: none)
  union {
    AwkString* key;   // one reference owned by the table
    intptr_t deadAt;  // an entry freed by a deletion not yet settled: its slot
  };
  Cell value;       // owned
};
static_assert(sizeof(AwkSlot) == 40);

inline constexpr int kArrayEntrySize = sizeof(AwkSlot);
inline constexpr int kKeyEntrySize = sizeof(AwkString*);
inline constexpr int32_t kBlockSlots = 256;     // slots (entries) per directory block
inline constexpr int kBlockShift = 8;
inline constexpr uint16_t kTablePermanent = 0xFFFF;  // a use count that never falls

struct AwkTable {
  uint16_t use;       // value cells that refer to the table
  TableKind kind;
  uint8_t entsize;    // bytes per slot
  uint8_t sigflag;    // changes are passed to awk_tabsignal
  uint8_t filled;     // the layout is that of split's fill of keys 1 .. count (fill.cpp)
  uint16_t sizeexp;   // ceil(log2(capacity)), at least 1
  int32_t capacity;   // slots
  int32_t count;      // arrays: used slots; key lists: the cursor
  union {
    void* slots;      // null while the capacity is 0
    uint32_t* index;  // array, capacity <= 256: inside the block of `ents`
    uint32_t** idir;  // array, capacity > 256: capacity / 256 index blocks
    AwkString** keys; // key list
  };
  union {
    AwkSlot* ents;    // capacity <= 256: entries 1 .. capacity * 3 / 4, then the index
    AwkSlot** edir;   // capacity > 256: capacity / 256 entry blocks, made when needed
  };
  int32_t nents;      // entries ever handed out (used or free): numbers 1 .. nents
  int32_t freeEnt;    // number of the first free entry; 0: none
  uint32_t entmask;   // (1 << sizeexp) - 1: the entry-number bits of an index word
  uint32_t hashkeep;  // the bits of an entry's hash that its index word keeps
  uint32_t distmax;   // the largest distance an index word holds (it saturates there)
  int32_t dead;       // slots emptied by deletions whose shifting back is pending
};

// Index words: the low `sizeexp` bits hold the entry's number (from 1; 0
// is a free slot). Above them, in up to 10 bits, the slot's distance from
// the entry's home slot, saturated at `distmax`; the bits above those are
// the same bits of the entry's hash. A probe passes a slot without
// touching its entry unless both agree with the key's, and deletion knows
// from the word alone whether an entry may move back. A word with entry
// number 0 that is not 0 marks a dead slot: its element was deleted and the
// entries after it have not been shifted back yet (see awk_tabsettle).
inline uint32_t st_entmask(const AwkTable* t) { return t->entmask; }

// Entry number e of an array (1 <= e <= nents). Entry 0 is never used; its
// hash is 0, so that no key matches it.
inline AwkSlot* st_entry(const AwkTable* t, uint32_t e) {
  return t->capacity <= kBlockSlots ? &t->ents[e]
                                    : &t->edir[e >> kBlockShift][e & (kBlockSlots - 1)];
}

// The index word of slot i (the table must have slots and i < capacity).
inline uint32_t st_word(const AwkTable* t, int32_t i) {
  return t->capacity <= kBlockSlots ? t->index[i] : t->idir[i >> kBlockShift][i & (kBlockSlots - 1)];
}

// The element in slot i of an array, or null when the slot is free or dead
// (the table must have slots and i < capacity). Walking the slots in order
// shows the slot order only after awk_tabsettle.
inline AwkSlot* awk_slotat(AwkTable* t, int32_t i) {
  const uint32_t e = st_word(t, i) & st_entmask(t);
  return e ? st_entry(t, e) : nullptr;
}

// A deletion frees its element at once but only marks its slot dead; the
// entries after it move back (backward-shift deletion) when the slot order
// is next needed: before an insertion and before a walk over the slots in
// order. Settling all dead slots at once walks each run of used slots at
// most once, however many of its elements were deleted, where shifting at
// every deletion walks the rest of the run each time; the layout is the
// same (the shifts' outcome does not depend on their order).
void st_settle(AwkTable* t);
inline void awk_tabsettle(AwkTable* t) {
  if (t->dead) st_settle(t);
}

// Takes one more use of a table (awk_access on an array cell). A count that
// reaches kTablePermanent stays there and the table is never freed, so that
// no number of sharers can wrap it around to a premature free.
inline void awk_tabuse(AwkTable* t) {
  if (t->use != kTablePermanent) ++t->use;
}

// ---- Table level -------------------------------------------------------

// A new table with use count 1; with capacity 0 no slots are allocated.
// Arrays above 256 slots get a capacity rounded up to a multiple of 256.
AwkTable* awk_stnew(TableKind kind, int32_t capacity, int entsize);
AwkTable* awk_sanew(int32_t capacity);   // an array

// The slot holding key, or with `create` a new slot for it (the table takes
// a reference to the key; the value is uninitialized); null if absent and
// not created.
AwkSlot* awk_stfindhp(AwkTable* t, AwkString* key, bool create);
// The same lookup over raw bytes, never creating: the probe that the
// cell-level services use so that a lookup hit allocates nothing.
AwkSlot* awk_stfindb(AwkTable* t, const char* key, uint32_t len);

// ---- Filling an array with keys 1 .. n (split) ------------------------
// The array ends as emptying it and then inserting the values under "1",
// "2", ... in order leaves it; awk_fillbegin, one awk_filladd per value,
// then awk_fillend. Nothing else may touch the table in between.
struct AwkFill {
  AwkTable* t;
  int32_t had;     // keys 1 .. had are left from the last fill
  int32_t n = 0;   // values stored
};
void awk_fillbegin(AwkFill* f, AwkTable* t);
void awk_filladd(AwkFill* f, const Cell* value);  // t[++n] = value, moved in
void awk_fillend(AwkFill* f);

// a[key] = *value: the value cell moves into the table (its old value is
// released) and the caller's reference to key is given back. Returns the slot.
AwkSlot* awk_stadd(AwkTable* t, AwkString* key, Cell* value);
// Removes key if present; 1 if it was.
int awk_stdelelt(AwkTable* t, AwkString* key);
// Removes every element; the table is left with 8 empty slots.
void awk_stclear(AwkTable* t);
// Gives back one use; at 0 frees the elements (or keys), the slots and the
// table. Null is ignored.
void awk_safree(AwkTable* t);

// The keys "1" .. "4095" that split() gives its pieces, each made once
// (with its hash) and then shared by every array that holds it. An int
// subscript in that range finds its element through the shared object when
// one exists, without formatting or hashing the number.
inline constexpr int32_t kSharedKeys = 4096;
extern AwkString* st_sharedkey[kSharedKeys];
extern uint32_t st_sharedhash[kSharedKeys];
// Key n (n >= 1) with a new reference and its hash: the shared object below
// kSharedKeys, else a fresh one.
AwkString* awk_indexkey(int32_t n, uint32_t* hash);

// The word of the element's value cell, or 0 if absent.
intptr_t awk_getr(AwkTable* t, const char* key);
// A new key list holding a reference to every key, in slot order; its
// capacity is the element count and its cursor 0.
AwkTable* awk_stindex(AwkTable* t);
// Sorts a key list in place: 0 slot order, 2 bytewise, 10 bytewise
// descending, anything else natural order with the value's flag bits
// (4 case-insensitive, 8 descending, 16 no fractions, 32 zeros count).
void awk_vasort(AwkTable* list, int sorttype);
// The key list of array t as awk_stindex and awk_vasort(sorttype) make it,
// built straight from the entries when the sort orders by value and the
// keys are the plain integers of one range without gaps (a numbered
// array): each key goes to the position its value gives, with no sort and
// no memory beside the list. Null, with nothing made, otherwise.
AwkTable* awk_rangekeys(AwkTable* t, int sorttype);
// Natural comparison of two keys under sorttype flags (<0, 0, >0).
int awk_natcmp(const AwkString* a, const AwkString* b, int sorttype);
int awk_natcmpb(const char* a, uint32_t la, const char* b, uint32_t lb, int sorttype);
// The element count (length(array)); 0 for null.
int32_t awk_tablength(const AwkTable* t);
// Copies the slot's value into out with a reference of its own.
void awk_fromvm(const AwkSlot* slot, Cell* out);

// ---- Array cells -------------------------------------------------------
// `arr` is a value cell; when it is not an array these do nothing and
// return 0. `out` cells are written without releasing what they held.

inline constexpr int kTabCreate = 1;  // create the element when missing
inline constexpr int kTabValue = 2;   // copy its value into out
inline constexpr int kTabArray = 4;   // make it an array; out gets the array

// Element lookup; 1 if it exists (or was created). The key cell is not
// consumed.
int awk_tabfind(Cell* arr, Cell* key, Cell* out, int flags);
// arr[key] += c in place when the element (created when missing, as
// awk_tabfind creates it) holds an int or nothing and the sum fits an int:
// `count[k]++` in one lookup. Returns 0, having changed nothing else, when
// arr is not an array, the key is uninitialized, the element holds
// anything else or the sum overflows. The key cell is not consumed.
int awk_tabincr(Cell* arr, Cell* key, int32_t c);
// The element for a subscript, created when missing (as awk_tabfind with
// kTabCreate does); null when arr is not an array or the key is
// uninitialized. The key cell is not consumed.
AwkSlot* awk_tabslot(Cell* arr, Cell* key);
// Stores value (moved in) into the element s of t that awk_tabslot gave,
// when s is certainly still that element: nothing has moved or freed t's
// slots since s was last reached. 0, with nothing done, otherwise.
int awk_slotstore(AwkTable* t, AwkSlot* s, Cell* value);
// arr[key] = value; consumes key and value (also on failure).
int awk_tabadd(Cell* arr, Cell* key, Cell* value);
// delete arr[key], or delete arr when key is null. The key cell is not
// consumed.
int awk_tabdelete(Cell* arr, Cell* key);
// The element's value as a new string object, or null if absent.
AwkString* awk_gettab(Cell* arr, const char* key);
// Element n (key: the decimal text of n) copied into out; 1 if found.
int awk_getarray(Cell* arr, int32_t n, Cell* out);
// Store a scalar into t[key] / t[n]. For strings the reference in `word`
// moves into the table; for floats `d` is the value (decimals unlimited).
int awk_settab(AwkTable* t, const char* key, Tag tag, intptr_t word, double d = 0);
int awk_setarray(AwkTable* t, int32_t n, Tag tag, intptr_t word, double d = 0);

// out becomes an array cell holding the key list of arr (an empty list
// when arr is not an array), sorted by awk_vasort.
void awk_tabkeys(Cell* arr, Cell* out, int sorttype);
// The next key of a key-list cell (borrowed), advancing its cursor; null at
// the end or for anything but a key list.
AwkString* awk_nextindex(Cell* list);
// Stores a private copy of the next key in out as a string and returns 1;
// 0 when the list is exhausted (out untouched).
int awka_forin(Cell* iter, Cell* out);

// Called with a table whose signal flag is set, after an element of it was
// stored or deleted. The signal layer installs it; null means nobody cares.
extern void (*awk_tabsignal)(AwkTable* t);
