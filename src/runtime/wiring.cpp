#include "runtime/wiring.h"

#include "builtins/btable.h"
#include "diag/oops.h"
#include "host/extern.h"
#include "host/signals.h"
#include "image/format.h"
#include "interp/interp.h"
#include "io/globals.h"
#include "io/record.h"
#include "io/specvars.h"
#include "io/stream.h"
#include "format/printf.h"
#include "program/symtab.h"
#include "runtime/startup.h"

namespace {

int formatText(const char* format, va_list ap, char* out, int size) {
  return awk_vprint(format, ap, nullptr, out, size);
}

// " in FILE(line N)" for the running function (not for a message raised
// while another is written), then the input position: FILENAME and FNR, or
// NR when reading standard input or before any file.
void where(int code, bool nested, void (*piece)(const char* format, ...)) {
  if (!nested && (awk_linenumber & 0x7FFF) != 0 && awk_fun_gid != 0) {
    if (AwkString* fn = awk_gid2filename(awk_fun_gid)) {
      piece(" in %s(line %d)", fn->text(), int(awk_linenumber & 0x7FFF));
      stringFree(fn);
    }
  }
  if (code == 'i') return;
  if (awk_filename && awk_filename->len > 0 && awk_filename->view() != "-")
    piece(" (FILENAME=\"%s\" FNR=%ld)", awk_filename->text(), long(awk_fnr));
  else
    piece(" (NR=%ld)", long(awk_nr));
}

// Termination before the exit; output that could not be written fails a
// run that would otherwise succeed.
int terminate(int doterm, int status) {
  awk_terminate(doterm);
  if (awk_outputstatus() && status == 0) status = 2;
  return status;
}

}  // namespace

void awk_wire() {
  awk_diaghooks.format = formatText;
  awk_diaghooks.where = where;
  awk_diaghooks.terminate = terminate;
  awk_readerhooks.beginFile = awk_beginfile_exec;
  awk_readerhooks.endFile = awk_endfile_exec;
  awk_readerhooks.assign = awk_ivar;
  awk_readerhooks.pollSignals = awk_processint;
  awk_pv_table[vorn::image::pv::SIGNAL] = awk_vSIGNAL;
  awk_callawk = awkin;
#define VORN_INSTALL_BUILTIN(name) awk_b_table[vorn::image::slot::b_##name] = &b_##name;
  VORN_UPPER_BUILTINS(VORN_INSTALL_BUILTIN)
#undef VORN_INSTALL_BUILTIN
}
