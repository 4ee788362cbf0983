// The builtin table.
//
// Each of the 120 slots gets its real handler when the builtin is part of
// the run-time (listed in VORN_IMPLEMENTED_BUILTINS), otherwise a generic
// handler that ends the run with an internal error naming the builtin, so
// that a missing builtin is never silently a no-op. A layer that lands a
// builtin adds its name to the list. Builtins of the layers above this one
// (VORN_UPPER_BUILTINS: calls by name, the run's arguments and abort) keep
// the generic handler until start-up installs them.
#include "builtins/btable.h"

#include <array>

#include "diag/oops.h"

namespace img = vorn::image;

// Builtins the run-time implements, by name.
#define VORN_IMPLEMENTED_BUILTINS(X)                                          \
  X(print) X(printf) X(__fprint) X(__fprintf) X(__pipeopen)                   \
  X(sub) X(gsub) X(subs) X(gsubs) X(match) X(regex)                          \
  X(setawkvar) X(getawkvar) X(_refcnt)                                        \
  X(peek) X(poke) X(inp) X(inpw) X(outp) X(outpw) X(interrupt) X(addressof)  \
  X(registercallback) X(unregistercallback)                                   \
  X(getline) X(close) X(fopen) X(fdopen) X(fread) X(fwrite) X(fseek)          \
  X(ftell) X(fflush) X(feof) X(ferror) X(fileno) X(_cvtin) X(_cvtout)         \
  X(system) X(spawn) X(sleep)                                                \
  X(substr) X(__lsubstr) X(index) X(rindex) X(length) X(split) X(splitp)     \
  X(sprintf) X(toupper) X(tolower) X(typeof) X(ord) X(char) X(_precof)       \
  X(translate) X(strdup) X(paste)                                             \
  X(not) X(and) X(or) X(xor) X(shiftl) X(shiftr) X(int) X(convertnum)        \
  X(table) X(rand) X(srand) X(atan2) X(cos) X(exp) X(log) X(sin) X(sqrt)    \
  X(getkey) X(kbhit)                                                          \
  X(scr_gcp) X(scr_scp) X(scr_gcm) X(scr_scm) X(scr_put) X(scr_putcells)      \
  X(scr_frame) X(scr_end) X(scr_getcells) X(scr_refresh) X(scr_get)          \
  X(time) X(ctime) X(timetab) X(pack) X(unpack)                              \
  X(filetime) X(filesize) X(filemode) X(stat) X(chsize) X(chmod)             \
  X(findfirst) X(findnext) X(dirlist) X(getdirlist) X(flock) X(funlock)      \
  X(mkdir) X(rmdir) X(rmfile) X(rename) X(getcwd) X(chdir)

namespace {

template <int Slot>
void missingBuiltin(int, Cell*) {
  oops('I', "builtin %s is not available", img::kBuiltinNames[Slot]);
}

constexpr std::array<BuiltinFn, img::kBuiltinSlots> makeTable() {
  std::array<BuiltinFn, img::kBuiltinSlots> t{};
#define VORN_MISSING_ENTRY(slot, name) t[slot] = &missingBuiltin<slot>;
  VORN_BUILTINS(VORN_MISSING_ENTRY)
#undef VORN_MISSING_ENTRY
#define VORN_REAL_ENTRY(name) t[img::slot::b_##name] = &b_##name;
  VORN_IMPLEMENTED_BUILTINS(VORN_REAL_ENTRY)
#undef VORN_REAL_ENTRY
  return t;
}

constexpr auto kTable = makeTable();

}  // namespace

BuiltinFn awk_b_table[img::kBuiltinSlots] = {
    nullptr,
#define VORN_TABLE_ENTRY(slot, name) kTable[slot],
    VORN_BUILTINS(VORN_TABLE_ENTRY)
#undef VORN_TABLE_ENTRY
};
