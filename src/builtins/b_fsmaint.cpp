// Directory and file maintenance: mkdir, rmdir, rmfile, rename, getcwd,
// chdir. Paths are limited only by the host; a name holding a NUL byte
// names nothing and fails.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "builtins/btable.h"
#include "builtins/fsargs.h"
#include "diag/oops.h"

namespace {

const char* pathOrFail(int argc, Cell* args, int i) {
  if (argc <= i || !cellIsStringy(&args[i])) awk_assert2(0x8530);
  return awk_patharg(args[i]);
}

void retOk(bool ok) { cellSetInt(awk_retval, ok); }

}  // namespace

void b_mkdir(int argc, Cell* args) {
  const char* p = pathOrFail(argc, args, 0);
  retOk(p && mkdir(p, 0777) == 0);
}

void b_rmdir(int argc, Cell* args) {
  const char* p = pathOrFail(argc, args, 0);
  retOk(p && rmdir(p) == 0);
}

void b_rmfile(int argc, Cell* args) {
  const char* p = pathOrFail(argc, args, 0);
  retOk(p && std::remove(p) == 0);
}

void b_rename(int argc, Cell* args) {
  const char* from = pathOrFail(argc, args, 0);
  const char* to = pathOrFail(argc, args, 1);
  retOk(from && to && std::rename(from, to) == 0);
}

void b_chdir(int argc, Cell* args) {
  const char* p = pathOrFail(argc, args, 0);
  retOk(p && chdir(p) == 0);
}

// The host allocates a buffer as long as the path needs.
void b_getcwd(int, Cell*) {
  char* cwd = getcwd(nullptr, 0);
  cellSetString(awk_retval, cwd ? stringNew(cwd) : stringDup(string_empty));
  std::free(cwd);
}
