// Reference counting on the interpreter's hot paths. The general services
// (awk_access, awk_unaccess) switch over every counted type out of line;
// strings and arrays, which nearly every instruction that owns anything
// handles, are counted here inline. The results are those of the general
// services exactly.
#pragma once
#include "arrays/table.h"
#include "interp/cell.h"

// Releases what the cell owns; the cell's bytes are left as they were.
inline void awk_cellrelease(Cell* c) {
  if (c->tag == Tag::Array) {
    AwkTable* t = c->w.t;
    if (t && t->use > 1 && t->use != kTablePermanent) {
      --t->use;  // not the last use: nothing is freed
      return;
    }
  }
  cellRelease(c);
}

// Copies *src into *dst with a reference of its own.
inline void awk_cellcopy(Cell* dst, const Cell* src) {
  if (src->tag == Tag::Array) {
    cellCopy(dst, src);
    awk_tabuse(src->w.t);
    return;
  }
  cellCopyRef(dst, src);
}
