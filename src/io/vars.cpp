// Variables by gid or by name: globals are cells of awk_globvars, special
// variables go through their handlers (a fetch, or a store that takes
// effect at once). The status convention is that of the symbol table:
// 0 success, 1 not a variable, 2 an empty handler slot.
#include "io/vars.h"

#include "image/format.h"
#include "io/specvars.h"
#include "program/symtab.h"

using namespace vorn::image;

namespace {
bool isGlobal(int gid) { return gid >= gid::kGlobalFirst && gid < gid::kGlobalFirst + awk_ngvars; }
bool isSpecial(int gid) { return gid >= gid::kSpecialFirst && gid <= gid::kSpecialLast; }
}  // namespace

int awk_getvarg(int gid, Cell* out) {
  if (isGlobal(gid)) {
    *out = *awk_gvar(gid);
    if (out->tag > Tag::Float) awk_access(out);
    return 0;
  }
  if (isSpecial(gid)) return awk_pvget(gid - gid::kSpecialFirst, out) ? 0 : 2;
  return 1;
}

int awk_setvarg(int gid, Cell* value) {
  if (isGlobal(gid)) {
    Cell* g = awk_gvar(gid);
    if (g->tag > Tag::Float) awk_unaccess(g);
    *g = *value;
    return 0;
  }
  if (isSpecial(gid)) {
    if (!awk_pvset(gid - gid::kSpecialFirst, value)) return 2;
    if (value->tag > Tag::Float) awk_unaccess(value);
    return 0;
  }
  return 1;
}

void awk_setvargl(int gid, int32_t n) {
  Cell c;
  cellSetInt(&c, n);
  awk_setvarg(gid, &c);
}

int awk_setvar(std::string_view name, Cell* value) {
  int gid = awk_gname2gid(name);
  if (gid == 0) return 1;
  return awk_setvarg(gid, value);
}

int awk_getvar(std::string_view name, Cell* out) {
  int gid = awk_gname2gid(name);
  if (gid == 0) return 1;
  return awk_getvarg(gid, out);
}
