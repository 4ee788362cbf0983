// split's fill of an array: the values go in under "1", "2", ... and the
// array must end exactly as emptying it and inserting them in that order
// leaves it, since an unsorted `for (k in a)` shows the slot order.
//
// A split array is usually split into again, by the next record, into
// about as many pieces. So a table keeps a flag, `filled`, that says its
// layout is still that of a fill of keys 1 .. count: set by awk_fillend,
// cleared by every insertion or deletion from anywhere else (st_create,
// st_delslot, st_allocslots). Such a table is not emptied: the next fill
// stores its values into the elements it finds (the insertion of key i
// landed in the same slot either way, as the sequence of insertions so
// far is the same), inserts past the old count as a fresh fill would, and
// takes out the keys past the new count in reverse order. Deleting the key
// inserted last undoes its insertion exactly: it took the first free slot
// from its home, every entry after it in the run had its home past that
// slot, so the backward shift moves nothing. What that cannot undo is
// growth: when the fewer keys fit in a smaller capacity, the remaining
// entries are inserted again, in key order, into an emptied table.
#include <cstdint>

#include "arrays/table.h"
#include "arrays/tablecore.h"
#include "diag/oops.h"
#include "format/printf.h"
#include "image/table_hash.h"

namespace {

// The capacity a fill of n keys into an emptied table (8 slots) ends with.
int32_t capacityFor(int32_t n) {
  int64_t cap = 8;
  while (int64_t(n) * 4 > cap * 3) cap *= 2;
  return int32_t(cap);
}

// The element of key i (which the table holds), and with `at` its slot.
AwkSlot* elementOf(AwkTable* t, int32_t i, int32_t* at = nullptr) {
  if (i < kSharedKeys && st_sharedkey[i]) {
    const AwkString* k = st_sharedkey[i];
    return st_lookup(t, k->text(), k->len, st_sharedhash[i], at, k);
  }
  char buf[12];
  char* end = buf + sizeof buf;
  const char* p = awk_l_format(i, end, 1, 0, 0);
  const auto len = uint32_t(end - p);
  return st_lookup(t, p, len, vorn::image::tableHash(p, len), at);
}

}  // namespace

void awk_fillbegin(AwkFill* f, AwkTable* t) {
  f->t = t;
  f->n = 0;
  if (t->filled) {
    f->had = t->count;
    return;
  }
  awk_stclear(t);
  f->had = 0;
}

void awk_filladd(AwkFill* f, const Cell* value) {
  AwkTable* t = f->t;
  const int32_t i = ++f->n;
  if (i <= f->had) {
    AwkSlot* s = elementOf(t, i);
    if (!s) awk_assert2(0x4102);
    Cell old = s->value;
    s->value = *value;
    cellRelease(&old);
    return;
  }
  uint32_t h;
  AwkString* key = awk_indexkey(i, &h);
  st_create(t, key, h)->value = *value;
}

void awk_fillend(AwkFill* f) {
  AwkTable* t = f->t;
  for (int32_t i = f->had; i > f->n; --i) {
    int32_t at;
    AwkSlot* s = elementOf(t, i, &at);
    if (!s) awk_assert2(0x4103);
    AwkString* key = s->key;
    Cell old = s->value;
    st_delslot(t, at);
    stringFree(key);
    cellRelease(&old);
  }
  if (t->capacity != capacityFor(f->n)) {
    // Fewer keys than the last fill and a smaller capacity: the entries
    // move, keys and values with them, into an emptied table.
    AwkTable old = *t;
    st_allocslots(t, 8);
    t->count = 0;
    for (int32_t i = 1; i <= f->n; ++i) {
      AwkSlot* s = elementOf(&old, i);
      if (!s) awk_assert2(0x4104);
      st_create(t, s->key, s->hash)->value = s->value;
    }
    st_freeslots(&old);
  }
  t->filled = 1;
}
