// The key lists of `for (k in a)`: a snapshot of an array's keys, sorted
// once at loop start and then stepped through with a cursor. The list owns
// a reference to every key, so deleting elements (or the whole array)
// during the loop leaves it intact, and keys added later are not in it.
#include "arrays/table.h"

// out becomes an array cell over the sorted key list (written without
// releasing what out held).
void awk_tabkeys(Cell* arr, Cell* out, int sorttype) {
  const bool isArray =
      arr && arr->tag == Tag::Array && arr->w.t && arr->w.t->kind == TableKind::Array;
  AwkTable* list;
  if (!isArray) {
    list = awk_stnew(TableKind::KeyList, 0, kKeyEntrySize);
  } else if (!(list = awk_rangekeys(arr->w.t, sorttype))) {
    list = awk_stindex(arr->w.t);
    awk_vasort(list, sorttype);
  }
  out->tag = Tag::Array;
  out->aux8a = out->aux8b = 0;
  out->aux16a = 0;
  out->aux16b = 0;
  out->w.word = 0;
  out->w.t = list;
  out->x.word2 = 0;
}

AwkString* awk_nextindex(Cell* list) {
  if (!list || list->tag != Tag::Array || !list->w.t) return nullptr;
  AwkTable* t = list->w.t;
  if (t->kind != TableKind::KeyList || t->count >= t->capacity) return nullptr;
  return t->keys[t->count++];
}

int awka_forin(Cell* iter, Cell* out) {
  AwkString* k = awk_nextindex(iter);
  if (!k) return 0;
  cellSetString(out, stringCopy(k));
  return 1;
}
