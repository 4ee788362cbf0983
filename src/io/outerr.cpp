// Output failures. A write that fails (a full disk, /dev/full, an I/O
// error, a file-size limit) is reported once per stream with the system's
// reason; the stream keeps SF_ERRSEEN, so close() returns -1 for it, and
// awk_outputfailed makes the run end with a failing status even when the
// program itself ends normally. A redirection that cannot be opened counts
// as lost output too. A broken pipe is reported as before but does not
// fail the run: the reader chose to stop reading.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "io/stream.h"
#include "diag/oops.h"

int awk_outputfailed = 0;

void awk_sfwritefailed(AwkStream* r, int err) {
  if (err == 0) err = EIO;
  if (err != EPIPE) awk_outputfailed = 1;
  if (!r || (r->flags & SF_ERRSEEN)) return;
  r->flags |= SF_ERRSEEN;
  const char* name = (r->flags & SF_PIPE) ? "pipe" : (r->name ? r->name->text() : "");
  if (err == EPIPE) {
    oops('w', "Output error %swriting %s", "(broken pipe) ", name);
    return;
  }
  char why[160];
  std::snprintf(why, sizeof why, "(%s) ", std::strerror(err));
  oops('w', "Output error %swriting %s", why, name);
}

// Output still buffered for the standard streams goes out now, so that its
// failure can still change the status.
int awk_outputstatus() {
  if (awk_sfsync(stdout) != 0 || ferror(stdout)) awk_sfwritefailed(awk_stdoutrec, errno);
  if (awk_sfsync(stderr) != 0) awk_outputfailed = 1;
  return awk_outputfailed;
}
