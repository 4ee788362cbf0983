// Direct access to the bytes a stdio stream has already read ahead, so the
// record reader can search them with memchr and make records straight from
// them. Only the C library's own read pointers are touched, never the file
// position of the descriptor; where the layout is unknown nothing is
// exposed and the callers take their byte-by-byte paths.
#pragma once
#include <cstddef>
#include <cstdio>

// The unread bytes of fp's buffer, or null (none, or the stream is in the
// middle of writing).
inline const char* awk_freadptr(FILE* fp, size_t* size) {
#if defined(__GLIBC__)
  if (fp->_IO_write_ptr > fp->_IO_write_base) return nullptr;
  size_t n = size_t(fp->_IO_read_end - fp->_IO_read_ptr);
  if (n == 0) return nullptr;
  *size = n;
  return fp->_IO_read_ptr;
#else
  (void)fp;
  (void)size;
  return nullptr;
#endif
}

// Consumes n bytes of the ones awk_freadptr exposed.
inline void awk_freadskip(FILE* fp, size_t n) {
#if defined(__GLIBC__)
  fp->_IO_read_ptr += n;
#else
  (void)fp;
  (void)n;
#endif
}
