// Writing out a stdio stream's pending output without losing it to an
// interrupted system call.
//
// The run-time catches signals without SA_RESTART, so a write(2) blocked on
// a slow pipe or terminal can fail with EINTR. When that happens inside the
// C library's own flush, glibc drops the whole buffer and only sets the
// error indicator; no retry by the caller can bring those bytes back. So
// the pending bytes are written here, with the retry, straight from the
// stream's put area (the glibc FILE fields gnulib's fpending/fseterr also
// use), and the library is left with an empty buffer. Once the buffer is
// empty, glibc's fwrite reports exactly how much it consumed even when a
// write fails, so the output layer can retry the rest.
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "io/sfbuf.h"
#include "io/stream.h"

// glibc's "stream is in output mode" flag (libio's _IO_CURRENTLY_PUTTING,
// which the installed headers no longer name).
static constexpr int kPutting = 0x0800;

// Flushes fp, retrying writes interrupted by signals. Returns 0, or EOF
// with the error indicator set (the unwritten bytes are then dropped, as the
// library itself would).
int awk_sfsync(FILE* fp) {
  size_t n = awk_sfpending(fp);
  // A put area that does not start where reading stopped needs the
  // library's own repositioning; the output layer never leaves one so.
  if (n && fp->_IO_read_end == fp->_IO_write_base) {
    const char* p = fp->_IO_write_base;
    int fd = fileno(fp);
    while (n) {
      ssize_t k = write(fd, p, n);
      if (k < 0) {
        if (errno == EINTR) continue;
        int e = errno;
        fp->_IO_write_ptr = fp->_IO_write_base;
        fp->_offset = -1;           // position unknown: stdio asks the descriptor
        fp->_flags |= _IO_ERR_SEEN;
        errno = e;
        return EOF;
      }
      p += k;
      n -= size_t(k);
    }
    fp->_IO_write_ptr = fp->_IO_write_base;
    fp->_offset = -1;
  }
  return fflush(fp);
}

// Installs buf as fp's fully buffered put area. glibc leaves a stream that
// has already written with a zero-sized put area after setvbuf (every later
// write then goes straight to the descriptor), so the put area is marked
// unset and the next write lays it out over the new buffer.
void awk_sfsetbuf(FILE* fp, char* buf, size_t size) {
  awk_sfsync(fp);
  if (setvbuf(fp, buf, _IOFBF, size) != 0) return;
  if (fp->_IO_write_ptr == fp->_IO_write_base) fp->_flags &= ~kPutting;
}
