// Access to variables by name at run time (setawkvar, getawkvar). The
// SYMINFO/FUNINFO tables are built in io/syminfo.cpp.
#include <string>

#include "arrays/table.h"
#include "builtins/btable.h"
#include "image/format.h"
#include "io/refs.h"
#include "diag/oops.h"
#include "program/symtab.h"
#include "io/vars.h"
#include "values/convert.h"

using namespace vorn::image;

namespace {

// The name a string or field argument holds, else the internal check fails.
std::string_view nameArg(const Cell* c) {
  if (c->tag != Tag::String && c->tag != Tag::Field) awk_assert2(0x4001);
  return c->w.s->view();
}

}  // namespace

void b_setawkvar(int argc, Cell* args) {
  std::string_view name = nameArg(&args[0]);
  Cell value;
  if (argc >= 3 && args[2].tag == Tag::Int && args[2].w.i != 0) {
    value.tag = Tag::Field;
    value.w.word = 0;
    value.w.s = awk_a2s(&args[1]);
  } else {
    value = args[1];
    if (value.tag > Tag::Float) awk_access(&value);
  }
  int r = awk_setvar(name, &value);
  if (r != 0 && value.tag > Tag::Float) awk_unaccess(&value);
  cellSetInt(awk_retval, r == 0 ? 1 : 0);
}

void b_getawkvar(int argc, Cell* args) {
  int r = awk_getvar(nameArg(&args[0]), awk_retval);
  if (argc >= 2) {
    Cell ok;
    cellSetInt(&ok, r == 0 ? 1 : 0);
    awk_setref(&args[1], &ok);
  }
}
