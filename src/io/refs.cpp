// References and the pass-by-reference stack.
//
// A reference cell (tag Ref, kind in aux8a) names a global, a special
// variable, a cell on the evaluation stack, a field or an array element.
// Compiled code passes references only downward into callees. Code that
// stores one elsewhere (a global, an array element, a result slot, through
// another reference) stores the value it names instead (awk_pinvalue), so
// a reference to a stack cell never outlives the frame that holds the cell.
//
// The pass-by-reference stack keeps up to 19 (array, key) pairs, each
// holding its own references, between op_refsave and op_refstore; every
// save is matched by one reassign in compiled code.
#include <cstring>

#include "arrays/table.h"
#include "arrays/cellops.h"
#include "io/fields.h"
#include "io/refs.h"
#include "io/vars.h"
#include "diag/oops.h"
#include "program/symtab.h"
#include "values/convert.h"

namespace {

inline void release(Cell* c) { awk_cellrelease(c); }
inline void copyCell(Cell* dst, const Cell* src) { awk_cellcopy(dst, src); }

inline RefKind refKind(const Cell* c) { return RefKind(c->aux8a); }

inline void newArray(Cell* c) {
  c->tag = Tag::Array;
  c->w.word = 0;
  c->w.t = awk_sanew(4);
}

// The array cell and key cell an element reference names (borrowed).
inline void elementCells(const Cell* ref, Cell* arr, Cell* key) {
  std::memset(static_cast<void*>(arr), 0, sizeof(Cell));
  std::memset(static_cast<void*>(key), 0, sizeof(Cell));
  arr->tag = Tag::Array;
  arr->w.t = ref->w.t;
  key->tag = Tag::String;
  key->w.s = ref->x.key;
}

struct SavedPair {
  Cell table;
  Cell key;
  AwkSlot* slot;   // the element, when it was looked up at the save
};
SavedPair refstack[kRefStackDepth];
int refcount = 0;

constexpr char kRefStackOverflow[] = "Pass-By-Reference Stack Overflow";
constexpr char kSpecialAsArray[] =
    "pass-by-reference parameter is a pre-defined variable that can not be converted into an "
    "array";
constexpr char kFieldAsArray[] =
    "pass-by-reference parameter is field $%d and can not be converted into an array";

}  // namespace

// Copies the referenced value into out (with its own reference). With
// asarray the target is made an array first where it can be. Returns the
// target cell for globals, stack cells and non-references, else null.
Cell* awk_getref(Cell* cell, Cell* out, int asarray) {
  if (cell->tag != Tag::Ref) {
    copyCell(out, cell);
    return cell;
  }
  switch (refKind(cell)) {
    case RefKind::Global:
    case RefKind::Local: {
      Cell* t = refKind(cell) == RefKind::Global ? awk_gvar(cell->w.i) : cell->w.cell;
      if (asarray && t->tag != Tag::Array) {
        release(t);
        newArray(t);
      }
      copyCell(out, t);
      return t;
    }
    case RefKind::Special:
      cellSetUninit(out);
      awk_getvarg(cell->w.i, out);
      if (asarray && out->tag != Tag::Array) {
        oops('n', kSpecialAsArray);
        release(out);
        newArray(out);
      }
      return nullptr;
    case RefKind::Field:
      if (asarray) {
        oops('n', kFieldAsArray, cell->w.i);
        newArray(out);
      } else {
        cellSetUninit(out);
        awk_getfield(cell->w.i, out);
      }
      return nullptr;
    case RefKind::Element: {
      Cell arr, key;
      elementCells(cell, &arr, &key);
      cellSetUninit(out);
      awk_tabfind(&arr, &key, out,
                  asarray ? kTabCreate | kTabValue | kTabArray : kTabCreate | kTabValue);
      return nullptr;
    }
  }
  cellSetUninit(out);
  return nullptr;
}

void awk_pinvalue(Cell* value) {
  // A stack cell may itself hold a reference to a stack cell (stored there
  // by the running function); a cycle ends as uninitialized.
  for (int depth = 0; value->tag == Tag::Ref && refKind(value) == RefKind::Local; ++depth) {
    if (depth == 8) {
      cellSetUninit(value);
      return;
    }
    Cell v;
    awk_getref(value, &v, 0);
    *value = v;   // a stack-cell reference owns nothing
  }
}

// Assigns value (consumed) to what cell refers to. A cell that is not a
// reference takes nothing: the value is released.
void awk_setref(Cell* cell, Cell* value) {
  if (cell->tag != Tag::Ref) {
    release(value);
    return;
  }
  awk_pinvalue(value);
  switch (refKind(cell)) {
    case RefKind::Global:
    case RefKind::Special:
      if (awk_setvarg(cell->w.i, value) != 0) release(value);
      return;
    case RefKind::Local: {
      Cell* t = cell->w.cell;
      release(t);
      *t = *value;
      return;
    }
    case RefKind::Field:
      awk_setfield(cell->w.i, value);
      return;
    case RefKind::Element: {
      Cell arr, key;
      elementCells(cell, &arr, &key);
      stringDup(key.w.s);
      awk_tabadd(&arr, &key, value);
      return;
    }
  }
  release(value);
}

Cell* awk_getrefp(Cell* cell) {
  if (cell->tag != Tag::Ref) return cell;
  switch (refKind(cell)) {
    case RefKind::Global: return awk_gvar(cell->w.i);
    case RefKind::Local: return cell->w.cell;
    default: return nullptr;
  }
}

int32_t awk_getrefl(Cell* cell) {
  Cell v;
  awk_getref(cell, &v, 0);
  int32_t n = awk_a2l(&v);
  release(&v);
  return n;
}

AwkString* awk_getrefs(Cell* cell) {
  Cell v;
  awk_getref(cell, &v, 0);
  return awk_a2s_unacc(&v);
}

void awka_table_save(Cell* key, Cell* table) {
  if (refcount >= kRefStackDepth) oops('f', kRefStackOverflow);
  copyCell(&refstack[refcount].table, table);
  copyCell(&refstack[refcount].key, key);
  refstack[refcount].slot = nullptr;
  ++refcount;
}

void awka_table_saveslot(Cell* key, Cell* table, AwkSlot* slot) {
  if (refcount >= kRefStackDepth) oops('f', kRefStackOverflow);
  refstack[refcount] = {*table, *key, slot};
  ++refcount;
}

// Stores value into the most recently saved element; the saved key and
// the value are consumed by the store, the saved table reference dropped.
void awka_table_reassign(Cell* value) {
  if (refcount == 0) {
    // Compiled code never reassigns without a save.
    awk_assert2(0x2310);
  }
  SavedPair& p = refstack[--refcount];
  awk_pinvalue(value);
  if (p.slot && awk_slotstore(p.table.w.t, p.slot, value)) {
    release(&p.key);
  } else {
    awk_tabadd(&p.table, &p.key, value);
  }
  release(&p.table);
}

int awka_table_depth() { return refcount; }
