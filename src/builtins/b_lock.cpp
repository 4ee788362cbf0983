// flock and funlock: POSIX record locks on an open stream's descriptor.
//
// The lock covers [start, start + length) from the beginning of the file,
// length 0 meaning to its end. 'x' asks for a write lock (the default),
// 's' for a read lock, 'n' not to wait for a conflicting lock.
#include <fcntl.h>

#include <cerrno>
#include <cstdio>

#include "builtins/btable.h"
#include "io/stream.h"
#include "diag/oops.h"

namespace {

int fdOf(Cell* file, const char* caller) {
  AwkStream* r = awk_getsf(file, kOpenRead, caller, 0);
  return r && r->fp ? fileno(r->fp) : -1;
}

bool setLock(int fd, short type, int64_t start, int64_t len, bool wait) {
  struct flock fl{};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = off_t(start);
  fl.l_len = off_t(len);
  int rc;
  do rc = fcntl(fd, wait ? F_SETLKW : F_SETLK, &fl);
  while (rc != 0 && errno == EINTR && wait);
  return rc == 0;
}

}  // namespace

void b_flock(int argc, Cell* args) {
  if (argc < 3 || argc > 4 || args[1].tag != Tag::Int || args[2].tag != Tag::Int)
    awk_assert2(0x8540);
  short type = F_WRLCK;
  bool wait = true;
  if (argc == 4 && cellIsStringy(&args[3])) {
    const AwkString* m = args[3].w.s;
    for (uint32_t i = 0; i < m->len; ++i) {
      const char c = m->text()[i];
      if (c == 'x' || c == 'X') type = F_WRLCK;
      else if (c == 's' || c == 'S') type = F_RDLCK;
      else if (c == 'n' || c == 'N') wait = false;
      else {
        oops('w', "invalid flock mode");
        break;
      }
    }
  }
  int fd = fdOf(&args[0], "flock");
  cellSetInt(awk_retval, fd >= 0 && setLock(fd, type, args[1].w.i, args[2].w.i, wait));
}

void b_funlock(int argc, Cell* args) {
  if (argc != 3 || args[1].tag != Tag::Int || args[2].tag != Tag::Int) awk_assert2(0x8541);
  int fd = fdOf(&args[0], "funlock");
  cellSetInt(awk_retval, fd >= 0 && setLock(fd, F_UNLCK, args[1].w.i, args[2].w.i, false));
}
