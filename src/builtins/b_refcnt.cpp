// _refcnt(x): the reference count of what a value holds, less the one
// reference the argument itself holds while the builtin runs; -1 for values
// that hold nothing counted.
#include "arrays/table.h"
#include "values/cell.h"
#include "io/stream.h"
#include "regex/pattern.h"

void b__refcnt(int argc, Cell* args) {
  int32_t n = -1;
  if (argc >= 1) {
    const Cell* x = &args[0];
    switch (x->tag) {
      case Tag::String: case Tag::Field: case Tag::VmString: case Tag::VmField:
        n = x->w.s->ref - 1;
        break;
      case Tag::Array:
        n = int32_t(x->w.t->use) - 1;
        break;
      case Tag::FileId:
        if (x->w.f) n = int32_t(x->w.f->refs) - 1;
        break;
      case Tag::Regex:
        n = int32_t(x->w.re->refcnt) - 1;
        break;
      default:
        break;
    }
  }
  cellSetInt(awk_retval, n);
}
