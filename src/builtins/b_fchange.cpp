// Changing files: chsize (truncate or extend) and chmod (numeric or
// symbolic modes), on a file name or on an open stream.
//
// chsize on a stream first pushes out what the program has written to it,
// so no buffered output lands past the new end afterwards; a file that is
// not open is opened, cut, synced and closed again.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "builtins/btable.h"
#include "builtins/fsargs.h"
#include "io/stream.h"
#include "diag/oops.h"

namespace {

bool truncateByName(const char* path, off_t size) {
  if (!path) return false;
  int fd = open(path, O_RDWR | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = ftruncate(fd, size) == 0 && fsync(fd) == 0;
  return close(fd) == 0 && ok;
}

bool truncateStream(AwkStream* r, off_t size) {
  if (!r->fp) return truncateByName(r->name ? r->name->text() : nullptr, size);
  if ((r->omode & kOpenAccess) == kOpenRead)
    oops('n', "chsize failed: file %s is open for reading only (close it first!)",
         r->name ? r->name->text() : "");
  if (r->lastop == 'w') awk_sfsync(r->fp);
  int fd = fileno(r->fp);
  return ftruncate(fd, size) == 0 && fsync(fd) == 0;
}

}  // namespace

void b_chsize(int argc, Cell* args) {
  if (argc != 2 || args[1].tag != Tag::Int) awk_assert2(0x8510);
  const off_t size = args[1].w.i;
  if (size < 0) return;
  Cell& file = args[0];
  bool ok;
  if (file.tag == Tag::FileId) {
    ok = file.w.f && truncateStream(file.w.f, size);
  } else if (cellIsStringy(&file)) {
    AwkStream* r = awk_findsf(file.w.s, 0);
    ok = r ? truncateStream(r, size) : truncateByName(awk_patharg(file), size);
  } else {
    oops('w', "inappropriate chsize argument");
    ok = false;
  }
  cellSetInt(awk_retval, ok);
}

void b_chmod(int argc, Cell* args) {
  if (argc != 2) awk_assert2(0x8511);
  Cell& file = args[0];
  const Cell& mode = args[1];
  const char* path = nullptr;
  int fd = -1;
  if (file.tag == Tag::FileId) {
    const AwkStream* r = file.w.f;
    if (!r || !r->fp) {
      cellSetInt(awk_retval, 0);
      return;
    }
    fd = fileno(r->fp);
    path = r->name ? r->name->text() : nullptr;
  } else if (cellIsStringy(&file)) {
    path = awk_patharg(file);
    if (!path) {
      cellSetInt(awk_retval, 0);
      return;
    }
  } else {
    oops('w', "inappropriate chmod argument");
    cellSetInt(awk_retval, 0);
    return;
  }
  uint32_t bits;
  if (mode.tag == Tag::Int) {
    bits = uint32_t(mode.w.i);
  } else if (mode.tag == Tag::Float) {
    const double d = mode.x.d;
    bits = d > -4294967296.0 && d < 4294967296.0 ? uint32_t(int64_t(d)) : 0;
  } else if (cellIsStringy(&mode)) {
    uint16_t cur;
    if (!path || awk_getfilemode(path, &cur) != 0) return;
    int r = awk_chmodsym(mode.w.s->text(), mode.w.s->len, cur, &bits);
    if (r < 0) oops('e', "Invalid chmod mode");
    if (r <= 0) return;
  } else {
    oops('w', "inappropriate chmod argument");
    cellSetInt(awk_retval, 0);
    return;
  }
  const mode_t m = mode_t(bits & 0xFFFF);
  cellSetInt(awk_retval, (fd >= 0 ? fchmod(fd, m) : chmod(path, m)) == 0);
}
