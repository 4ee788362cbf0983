// Termination processing: every orderly end of the run comes through
// awk_terminate, whether after END, abort(), or a diagnostic that ends the
// run. It runs the image's exit function at most once (only when asked to),
// gives up pipes, restores terminal modes and deletes a temporary image.
//
// Diagnostics reach it through their terminate hook (runtime/wiring.cpp);
// the screen and keyboard layers are weak references until they land.
#include <unistd.h>

#include <cstdlib>

#include "image/format.h"
#include "values/cell.h"
#include "interp/interp.h"
#include "io/fields.h"
#include "io/stream.h"
#include "values/arith.h"
#include "runtime/loader.h"
#include "runtime/startup.h"
#include "diag/termhook.h"
#include "values/strobj.h"

namespace {
bool exitFunctionStarted;
}

void awk_terminate(int doterm) {
  awk_gt_conditions = 0;
  awk_nomoreints = 1;
  int exitGid = rootI16(vorn::image::root::kExitFunction);
  if (doterm && exitGid != 0 && !exitFunctionStarted) {
    exitFunctionStarted = true;
    Cell empty;
    cellSetString(&empty, string_empty ? stringDup(string_empty) : stringNew(""));
    awk_setfield(0, &empty);
    awki0(exitGid);
    awk_gt_conditions = 0;
  }
  awk_abandonpipes();
  awk_mathend();
  awk_term_end();   // awk_scrend, awk_key_end
  awk_droptempimage();
}

// An image file that carries its own command line is a compile-and-go
// temporary (vorn itself runs its image from memory and writes none): it
// goes as soon as it has been read (start-up calls this too), so that a
// killed run leaves no copy of the program and its -v values behind. A
// bound executable is never removed.
void awk_droptempimage() {
  if (awk_vargs != 0 && awk_imageopened && !awk_isbound()) {
    unlink(awk_progpath);
    awk_imageopened = 0;
  }
}
