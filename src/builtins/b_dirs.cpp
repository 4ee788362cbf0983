// Directory searches: findfirst/findnext over the wildcard matcher, and
// dirlist/getdirlist.
//
// One wildcard search is active at a time; findfirst ends the previous one
// and remembers its pattern, findnext continues it until the directory is
// exhausted. The host keeps no find data, so the optional info array gets
// zeros only.
#include <dirent.h>

#include <string>

#include "arrays/table.h"
#include "builtins/btable.h"
#include "builtins/fsargs.h"
#include "io/dosmatch.h"
#include "diag/oops.h"

namespace {

struct FindState {
  std::string pattern;
  bool active = false;
  int attr = 0;
  AwkDosMatch match{};
};

FindState finder;

void fillInfo(int argc, Cell* args, int i) {
  if (argc <= i) return;
  if (args[i].tag != Tag::Array) awk_assert2(0x8520);
  AwkTable* t = args[i].w.t;
  awk_stclear(t);
  for (const char* key : {"time", "date", "attrs", "size"}) awk_settab(t, key, Tag::Int, 0);
}

void retPath(const char* path) {
  cellSetString(awk_retval, path ? stringNew(path) : stringDup(string_empty));
}

void endSearch() {
  awk_dosmatchclose(&finder.match);
  finder.active = false;
  finder.pattern.clear();
}

}  // namespace

void b_findfirst(int argc, Cell* args) {
  if (argc < 1 || argc > 3 || (argc >= 2 && args[1].tag != Tag::Int)) awk_assert2(0x8521);
  endSearch();
  const char* pattern = awk_patharg(args[0]);
  finder.attr = argc >= 2 ? args[1].w.i : 0;
  fillInfo(argc, args, 2);
  if (!pattern) {
    retPath(nullptr);
    return;
  }
  finder.pattern = pattern;
  finder.active = true;
  const char* path = awk_dosmatch(finder.pattern.c_str(), finder.attr, 1, &finder.match);
  if (!path) endSearch();
  retPath(path);
}

void b_findnext(int argc, Cell* args) {
  fillInfo(argc, args, 0);
  const char* path = nullptr;
  if (finder.active) {
    path = awk_dosmatch(finder.pattern.c_str(), finder.attr, 0, &finder.match);
    if (!path) endSearch();
  }
  retPath(path);
}

void b_dirlist(int argc, Cell* args) {
  if (argc < 1 || argc > 2) awk_assert2(0x8522);
  AwkTable* t = nullptr;
  if (argc == 2) {
    if (args[1].tag != Tag::Array) awk_assert2(0x8523);
    t = args[1].w.t;
    awk_stclear(t);
  }
  const char* path = awk_patharg(args[0]);
  DIR* dir = path && *path ? opendir(path) : nullptr;
  if (!dir) {
    cellSetInt(awk_retval, 0);
    return;
  }
  int32_t n = 0;
  if (t) {
    while (const dirent* e = readdir(dir))
      awk_setarray(t, ++n, Tag::String, reinterpret_cast<intptr_t>(stringNew(e->d_name)));
  }
  closedir(dir);
  cellSetInt(awk_retval, 1);
}

void b_getdirlist(int argc, Cell* args) { b_dirlist(argc, args); }
