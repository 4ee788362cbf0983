// Termination processing: every orderly end of the run comes through
// awk_terminate, whether after END, abort(), or a diagnostic that ends the
// run. It runs the image's exit function at most once (only when asked to),
// gives up pipes, restores terminal modes and deletes a temporary image.
//
// This file is linked by anything that can raise a fatal message, down to
// the allocator, so the services of other layers are weak references: a
// unit test of one layer links without the interpreter or the screen, and
// in the run-time every one of them is present.
#include <unistd.h>

#include <cstdlib>

#include "image/format.h"
#include "interp/cell.h"
#include "interp/interp.h"
#include "io/fields.h"
#include "io/stream.h"
#include "values/arith.h"
#include "runtime/loader.h"
#include "runtime/startup.h"
#include "values/strobj.h"

int awk_gt_conditions = 0;
int awk_exitstatus = 0;
volatile int awk_intflag = 0;
int awk_nomoreints = 0;
void (*awk_exithook)(int status) = nullptr;

[[gnu::weak]] void awk_scrend();
[[gnu::weak]] void awk_key_end();
[[gnu::weak]] int awk_outputstatus();

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
  awk_closetmp1();
  awk_abandonpipes();
  awk_mathend();
  if (awk_scrend) awk_scrend();
  if (awk_key_end) awk_key_end();
  awk_droptempimage();
}

// An image that carries its own command line is vorn's temporary file: it
// goes as soon as it has been read (start-up calls this too), so that a
// killed run leaves no copy of the program and its -v values behind. A
// bound executable is never removed.
void awk_droptempimage() {
  if (awk_vargs != 0 && awk_imageopened && !awk_isbound()) {
    awk_vm_close();
    unlink(awk_progpath);
    awk_imageopened = 0;
  }
}

void awk_exit(int status, int doterm) {
  awk_terminate(doterm);
  // Output that could not be written fails a run that would succeed.
  if (awk_outputstatus && awk_outputstatus() && status == 0) status = 2;
  if (awk_exithook) awk_exithook(status);
  std::exit(status);
}
