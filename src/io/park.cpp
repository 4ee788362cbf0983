// Output files past the descriptor limit. When an open fails for want of a
// descriptor, the least recently written output file that the program
// opened by name is closed ("parked": flushed, its record and name kept,
// SF_PARKED set) and the open is tried again; a later write to a parked
// file reopens it for appending, parking another if need be. So a program
// may write to more files than the process may hold open, and nothing
// written is lost. Pipes, standard streams and streams opened with fopen
// (whose position belongs to the program) are never parked.
#include <unistd.h>

#include <cerrno>

#include "io/stream.h"
#include "values/alloc.h"

namespace {
uint64_t useClock = 0;

bool parkable(const AwkStream* r) {
  return r->fp && !(r->flags & (SF_PIPE | SF_STD | SF_EXPLICIT)) &&
         (r->omode & O_ACCMODE) == O_WRONLY;
}
}  // namespace

void awk_sfused(AwkStream* r) { r->lastuse = ++useClock; }

bool awk_parkone(const AwkStream* except) {
  if (!awk_filehead) return false;
  AwkStream* lru = nullptr;
  for (AwkStream* r = awk_filehead->next; r != awk_filehead; r = r->next)
    if (r != except && parkable(r) && (!lru || r->lastuse < lru->lastuse)) lru = r;
  if (!lru) return false;
  int err = awk_sfsync(lru->fp) != 0 ? errno : 0;
  if (fclose(lru->fp) != 0 && !err) err = errno;
  if (err) awk_sfwritefailed(lru, err);
  lru->fp = nullptr;
  if (lru->buf) {
    spfree(lru->buf);
    lru->buf = nullptr;
  }
  lru->flags |= SF_PARKED;
  lru->lastop = 0;
  return true;
}

bool awk_unpark(AwkStream* r) {
  // Appending, never truncating again: what was written before stays.
  uint16_t omode = uint16_t((r->omode & ~(O_TRUNC | O_EXCL)) | O_APPEND | O_CREAT);
  FILE* fp;
  while (!(fp = awk_openfp(r->name->text(), omode, r->share, r->flags)) &&
         (errno == EMFILE || errno == ENFILE) && awk_parkone(r)) {
  }
  if (!fp) {
    awk_sfwritefailed(r, errno);
    return false;
  }
  r->fp = fp;
  r->flags &= uint16_t(~SF_PARKED);
  awk_sfbuffer(r, 1);
  return true;
}
