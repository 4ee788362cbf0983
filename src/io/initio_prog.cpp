// awk_initio over the program's own global cells (kept apart from
// awk_initio_cells so that code using the stream table without a loaded
// program does not pull in the symbol table).
#include "image/format.h"
#include "io/stream.h"
#include "program/symtab.h"

// An image with fewer globals than the predefined ones still runs: the
// missing ones get cells of their own here instead of cells past the end
// of the global array.
static Cell* predefcell(int gid) {
  static Cell spare[vorn::image::kPredefinedCount];
  int i = gid - vorn::image::gid::kGlobalFirst;
  return i < awk_ngvars ? awk_gvar(gid) : &spare[i];
}

void awk_initio() {
  namespace pd = vorn::image::predef;
  awk_initio_cells(predefcell(pd::g_RSM), predefcell(pd::g_stdin), predefcell(pd::g_stdout),
                   predefcell(pd::g_stderr), predefcell(pd::g_FILEMODE));
}
