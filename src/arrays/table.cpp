// Creating tables, finding keys and taking key-list snapshots. Nothing here
// releases a value cell, so these services work before the rest of the
// run-time is linked in.
#include "arrays/table.h"

#include <cstdint>
#include <cstring>

#include "arrays/tablecore.h"
#include "image/table_hash.h"
#include "values/alloc.h"

void (*awk_tabsignal)(AwkTable* t) = nullptr;

// How value cells count the tables they name (values/cell.h).
[[gnu::used]] static const bool ownerOpsSet = [] {
  awk_ownerops[int(OwnerKind::Table)] = {
      [](void* t) { awk_tabuse(static_cast<AwkTable*>(t)); },
      [](void* t) { awk_safree(static_cast<AwkTable*>(t)); },
      nullptr, nullptr};
  return true;
}();

// A table of `kind` with use count 1. The entry size is the native one for
// the kind whatever the caller asks for: slots hold pointers on this host.
AwkTable* awk_stnew(TableKind kind, int32_t capacity, int /*entsize*/) {
  auto* t = static_cast<AwkTable*>(spacec(sizeof(AwkTable)));
  t->use = 1;
  t->kind = kind;
  t->entsize = uint8_t(kind == TableKind::Array ? kArrayEntrySize : kKeyEntrySize);
  t->sigflag = 0;
  t->count = 0;
  if (kind == TableKind::Array && capacity > kBlockSlots && capacity < INT32_MAX - kBlockSlots)
    capacity = (capacity + kBlockSlots - 1) & ~(kBlockSlots - 1);  // (larger ones fail as out of memory)
  st_allocslots(t, capacity < 0 ? 0 : capacity);
  return t;
}

AwkTable* awk_sanew(int32_t capacity) {
  return awk_stnew(TableKind::Array, capacity, kArrayEntrySize);
}

AwkSlot* awk_stfindb(AwkTable* t, const char* key, uint32_t len) {
  if (!t || t->kind != TableKind::Array) return nullptr;
  return st_lookup(t, key, len, vorn::image::tableHash(key, len));
}

AwkSlot* awk_stfindhp(AwkTable* t, AwkString* key, bool create) {
  if (!t || t->kind != TableKind::Array) return nullptr;
  const uint32_t h = vorn::image::tableHash(key->text(), key->len);
  int32_t stop;
  AwkSlot* s = st_lookup(t, key->text(), key->len, h, &stop);
  if (s || !create) return s;
  return st_create(t, stringDup(key), h, stop);
}

AwkString* st_sharedkey[kSharedKeys];
uint32_t st_sharedhash[kSharedKeys];

AwkString* awk_indexkey(int32_t n, uint32_t* hash) {
  if (n >= kSharedKeys) {
    AwkString* k = awk_ui2str(uint32_t(n));
    *hash = vorn::image::tableHash(k->text(), k->len);
    return k;
  }
  AwkString*& k = st_sharedkey[n];
  if (!k) {
    k = awk_ui2str(uint32_t(n));
    st_sharedhash[n] = vorn::image::tableHash(k->text(), k->len);
  }
  *hash = st_sharedhash[n];
  return stringDup(k);
}

// An int element gives its value; any other its full payload word (the
// symbol table keeps record addresses there).
intptr_t awk_getr(AwkTable* t, const char* key) {
  AwkSlot* s = awk_stfindb(t, key, uint32_t(std::strlen(key)));
  if (!s) return 0;
  return s->value.tag == Tag::Int ? s->value.w.i : s->value.w.word;
}

int32_t awk_tablength(const AwkTable* t) {
  return t && t->kind == TableKind::Array ? t->count : 0;
}

// The keys in slot order, each with a reference of the list's own.
AwkTable* awk_stindex(AwkTable* t) {
  const int32_t n = awk_tablength(t);
  AwkTable* list = awk_stnew(TableKind::KeyList, n, kKeyEntrySize);
  if (n) awk_tabsettle(t);
  int32_t k = 0;
  for (int32_t i = 0; k < n && i < t->capacity; ++i)
    if (AwkSlot* s = awk_slotat(t, i)) list->keys[k++] = stringDup(s->key);
  return list;
}
