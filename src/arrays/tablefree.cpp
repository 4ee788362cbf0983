// Storing, deleting and freeing: the table services that own value cells
// and so release them (awk_unaccess) or share them (awk_access).
#include <cstring>

#include "arrays/table.h"
#include "arrays/tablecore.h"
#include "image/table_hash.h"
#include "values/alloc.h"

namespace {

// Releases what every element owns, in slot order; the storage stays.
void releaseSlots(AwkTable* t) {
  if (!t->slots) return;
  if (t->kind == TableKind::KeyList) {
    for (int32_t i = 0; i < t->capacity; ++i)
      if (t->keys[i]) stringFree(t->keys[i]);
    return;
  }
  for (int32_t i = 0; i < t->capacity; ++i) {
    AwkSlot* s = awk_slotat(t, i);
    if (!s) continue;
    stringFree(s->key);
    if (s->value.tag > Tag::Float) awk_unaccess(&s->value);
  }
}

}  // namespace

AwkSlot* awk_stadd(AwkTable* t, AwkString* key, Cell* value) {
  AwkSlot* s = awk_stfindhp(t, key, true);
  stringFree(key);
  if (!s) {  // not an array: the value has nowhere to go
    if (value->tag > Tag::Float) awk_unaccess(value);
    return nullptr;
  }
  Cell old = s->value;
  s->value = *value;
  if (old.tag > Tag::Float) awk_unaccess(&old);
  return s;
}

int awk_stdelelt(AwkTable* t, AwkString* key) {
  if (!t || t->kind != TableKind::Array) return 0;
  int32_t at;
  AwkSlot* s = st_lookup(t, key->text(), key->len, vorn::image::tableHash(key->text(), key->len), &at);
  if (!s) return 0;
  AwkString* k = s->key;
  Cell old = s->value;
  st_markdead(t, at);
  // Released only once the table is consistent again.
  stringFree(k);
  if (old.tag > Tag::Float) awk_unaccess(&old);
  return 1;
}

// The old slots are detached first, so that whatever releasing a value
// does, it sees an empty, usable table.
void awk_stclear(AwkTable* t) {
  if (!t) return;
  AwkTable old = *t;
  st_allocslots(t, 8);
  t->count = 0;
  releaseSlots(&old);
  st_freeslots(&old);
}

void awk_safree(AwkTable* t) {
  if (!t || t->use == kTablePermanent) return;
  if (t->use > 1) {
    --t->use;
    return;
  }
  t->use = 0;
  releaseSlots(t);
  st_freeslots(t);
  spfree(t);
}

void awk_fromvm(const AwkSlot* slot, Cell* out) { cellCopyRef(out, &slot->value); }
