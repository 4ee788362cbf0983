// Access to variables by name at run time (setawkvar, getawkvar) and the
// SYMINFO/FUNINFO description tables.
#include <cstdio>
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

namespace {

void put(AwkTable* t, int gid, const std::string& text) {
  char key[16];
  std::snprintf(key, sizeof key, "%u", unsigned(gid));
  awk_settab(t, key, Tag::String, reinterpret_cast<intptr_t>(stringNew(text)));
}

// "name file line", or "base:name file line" for the qualified form.
std::string describe(bool qualified, std::string_view base, std::string_view name,
                     std::string_view file, unsigned line) {
  std::string out;
  if (qualified) out.append(base).append(":");
  out.append(name).append(" ").append(file).append(" ").append(std::to_string(line));
  return out;
}

}  // namespace

void awk_syminfo_tables(AwkTable** syminfo, AwkTable** funinfo) {
  static AwkTable* sym;
  static AwkTable* fun;
  if (!sym) {
    fun = awk_sanew(32);
    sym = awk_sanew(64);
    for (int32_t i = 0; awk_symtab && i < awk_symtab->capacity; ++i) {
      const AwkSymSlot& slot = awk_symtab->slots[i];
      if (slot.hash == 0) continue;
      std::string_view name = slot.key->view();
      AwkSymRecord r = awk_symrecord(slot.record);
      if (r.kind == symkind::kPredefinedGlobal || r.kind == symkind::kSpecialVariable) {
        put(sym, uint16_t(r.gid), std::string(name));
        continue;
      }
      if (r.kind == symkind::kSkipped || r.kind == symkind::kBuiltin) continue;
      if (!name.empty() && name[0] == ':') name.remove_prefix(1);
      bool first = true;
      for (int d = 0; d < r.ndefs; ++d) {
        AwkSymDef def = awk_symdef(r, d);
        char file[512], base[512];
        awk_modno2filename(file, sizeof file, def.module);
        awk_basename(base, sizeof base, file);
        bool isFun = def.gid >= gid::kFunctionFirst && def.gid <= gid::kFunctionLast;
        bool isVar = def.gid >= gid::kGlobalFirst && def.gid <= gid::kGlobalLast;
        if (def.kind == defkind::kFunction && isFun) {
          put(fun, def.gid, describe(false, base, name, file, unsigned(def.line)));
          first = false;
        } else if (def.kind == defkind::kModuleFunction && isFun) {
          put(fun, def.gid, describe(first, base, name, file, unsigned(def.line)));
        } else if (def.kind == defkind::kGlobal && isVar) {
          put(sym, def.gid, describe(false, base, name, file, unsigned(def.line)));
          first = false;
        } else if ((def.kind == defkind::kModuleVariable || def.kind == defkind::kModuleVariable2) &&
                   isVar) {
          put(sym, def.gid, describe(first, base, name, file, unsigned(def.line)));
        }
      }
    }
  }
  *syminfo = sym;
  *funinfo = fun;
}
