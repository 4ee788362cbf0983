// Reference counting on the interpreter's hot paths. The general services
// (awk_access, awk_unaccess) switch over every counted type out of line;
// strings and arrays, which nearly every instruction that owns anything
// handles, are counted here inline. The results are those of the general
// services exactly.
#pragma once
#include "arrays/table.h"
#include "values/cell.h"

// Releases what the cell owns; the cell's bytes are left as they were.
inline void awk_cellrelease(Cell* c) {
  const Tag t = c->tag;
  if (t <= Tag::Float) return;
  if (t == Tag::String || t == Tag::Field) {
    stringFree(c->w.s);
    return;
  }
  if (t == Tag::Array) {
    AwkTable* a = c->w.t;
    if (a && a->use > 1 && a->use != kTablePermanent) {
      --a->use;  // not the last use: nothing is freed
      return;
    }
  }
  awk_unaccess(c);
}

// Copies *src into *dst with a reference of its own; an array's use count
// is raised inline, everything else as cellCopyRef does it.
inline void awk_cellcopy(Cell* dst, const Cell* src) {
  if (src->tag != Tag::Array) return cellCopyRef(dst, src);
  cellCopy(dst, src);
  awk_tabuse(src->w.t);
}
