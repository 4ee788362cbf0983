// A minimal line reader for the record loop: it walks the ARGV operands
// from ARGI (assignments are made, empty elements skipped, "-" is standard
// input), reads each file line by line, and keeps FILENAME, FNR and NR.
// Standard input is read once when there are no operands. It knows no RS,
// wildcards or stream table; the record reader replaces it.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "arrays/table.h"
#include "image/format.h"
#include "io/globals.h"
#include "runtime/oops.h"
#include "runtime/startup.h"
#include "runtime/symtab.h"
#include "values/convert.h"

using namespace vorn::image;

namespace {

FILE* current;
bool stdinRead;
char* line;
size_t lineCap;

void setFilename(const char* name) {
  if (awk_filename) stringFree(awk_filename);
  awk_filename = stringNew(name);
  awk_fnr = 0;
}

// Opens the next input; false when there is none.
bool openNext() {
  int32_t argc = awk_a2l(awk_gvar(predef::g_ARGC));
  if (argc == 1) {
    if (stdinRead) return false;
    stdinRead = true;
    current = stdin;
    setFilename("-");
    return true;
  }
  Cell* argv = awk_gvar(predef::g_ARGV);
  if (argv->tag != Tag::Array) {
    oops('W', "ARGV has been changed to a non-array");
    return false;
  }
  for (;;) {
    int32_t argi = awk_a2l(awk_gvar(predef::g_ARGI));
    if (argi >= argc || argi <= 0) return false;
    awk_setvargl(predef::g_ARGI, argi + 1);
    Cell elem;
    if (!awk_getarray(argv, argi, &elem)) continue;
    AwkString* name = awk_a2s_unacc(&elem);
    if (name->len == 0) {
      stringFree(name);
      continue;
    }
    if (std::strchr(name->text(), '=')) {
      awk_ivar(name->text());
      stringFree(name);
      continue;
    }
    current = std::strcmp(name->text(), "-") == 0 ? stdin : std::fopen(name->text(), "r");
    if (!current) {
      oops('W', "Can not open file: \"%s\"", name->text());
      if (awk_exitstatus == 0) awk_exitstatus = 1;
      stringFree(name);
      continue;
    }
    setFilename(name->text());
    stringFree(name);
    return true;
  }
}

}  // namespace

AwkString* awk_minread() {
  for (;;) {
    if (!current && !openNext()) return nullptr;
    ssize_t n = getline(&line, &lineCap, current);
    if (n < 0) {
      if (current != stdin) std::fclose(current);
      current = nullptr;
      continue;
    }
    if (n > 0 && line[n - 1] == '\n') --n;
    ++awk_nr;
    ++awk_fnr;
    return stringNew1(line, uint32_t(n));
  }
}
