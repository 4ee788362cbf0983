// SYMINFO and FUNINFO: arrays describing the program's globals and
// functions, keyed by gid, built from the image's symbol table on the
// first read of either and kept for the run.
//
// SYMINFO holds predefined globals and special variables by their bare
// names and the program's globals as "name file line"; FUNINFO holds
// functions the same way. Module-level names are qualified with their
// module's base name while no plain definition of the name came first.
#include <cstdio>
#include <string>

#include "arrays/table.h"
#include "image/format.h"
#include "io/specvars.h"
#include "program/symtab.h"

namespace {

AwkTable* syminfo = nullptr;
AwkTable* funinfo = nullptr;

void put(AwkTable* t, int gid, const std::string& text) {
  char key[16];
  std::snprintf(key, sizeof key, "%u", unsigned(gid) & 0xFFFFu);
  awk_settab(t, key, Tag::String, reinterpret_cast<intptr_t>(stringNew(text)));
}

// "name file line", with "module:" before the name when qualify is set.
std::string described(bool qualify, const char* module, const std::string& name,
                      const char* file, int line) {
  std::string s = qualify ? std::string(module) + ":" + name : name;
  return s + " " + file + " " + std::to_string(unsigned(line));
}

bool inRange(int gid, int first, int last) { return gid >= first && gid <= last; }

void visit(const AwkSymSlot& slot) {
  namespace im = vorn::image;
  AwkSymRecord r = awk_symrecord(slot.record);
  std::string name(slot.key->view());
  if (r.kind == im::symkind::kPredefinedGlobal || r.kind == im::symkind::kSpecialVariable) {
    put(syminfo, r.gid, name);
    return;
  }
  if (r.kind == im::symkind::kSkipped || r.kind == im::symkind::kBuiltin) return;
  if (!name.empty() && name[0] == ':') name.erase(0, 1);
  bool first = true;
  for (int i = 0; i < r.ndefs; ++i) {
    AwkSymDef d = awk_symdef(r, i);
    int gid = d.gid & 0xFFFF;
    char file[512], base[512];
    awk_modno2filename(file, sizeof file, d.module);
    awk_basename(base, sizeof base, file);
    bool fn = inRange(gid, im::gid::kFunctionFirst, im::gid::kFunctionLast);
    bool var = inRange(gid, im::gid::kGlobalFirst, im::gid::kGlobalLast);
    switch (d.kind) {
      case im::defkind::kFunction:
        if (!fn) break;
        put(funinfo, gid, described(false, "", name, file, d.line));
        first = false;
        break;
      case im::defkind::kModuleFunction:
        if (fn) put(funinfo, gid, described(first, base, name, file, d.line));
        break;
      case im::defkind::kGlobal:
        if (!var) break;
        put(syminfo, gid, described(false, "", name, file, d.line));
        first = false;
        break;
      case im::defkind::kModuleVariable:
      case im::defkind::kModuleVariable2:
        if (var) put(syminfo, gid, described(first, base, name, file, d.line));
        break;
      default:
        break;
    }
  }
}

void readTable(AwkTable* t, Cell* cell) {
  cell->tag = Tag::Array;
  cell->w.word = 0;
  cell->w.t = t;
  awk_tabuse(t);
}

}  // namespace

void awk_syminfo_build() {
  if (syminfo) return;
  funinfo = awk_sanew(32);
  syminfo = awk_sanew(64);
  const AwkSymtab* names = awk_symbols();
  if (!names) return;
  for (int32_t i = 0; i < names->capacity; ++i)
    if (names->slots[i].hash != 0) visit(names->slots[i]);
}

void awk_vSYMINFO(int set, Cell* cell, void* /*arg*/) {
  if (set) return;
  awk_syminfo_build();
  readTable(syminfo, cell);
}

void awk_vFUNINFO(int set, Cell* cell, void* /*arg*/) {
  if (set) return;
  awk_syminfo_build();
  readTable(funinfo, cell);
}
