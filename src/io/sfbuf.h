// Direct access to a glibc stdio stream's put area, for the output layer's
// fast path and for flushing that survives interrupted writes (sfsync.cpp).
// These are the fields glibc's own putc_unlocked macro and gnulib's
// fpending/fseterr use.
#pragma once
#include <cstddef>
#include <cstdio>
#include <cstring>

#ifndef _IO_ERR_SEEN
#error "the stream layer reads glibc's FILE put area"
#endif

// Bytes waiting in fp's put area.
inline size_t awk_sfpending(FILE* fp) {
  return fp->_IO_write_ptr > fp->_IO_write_base ? size_t(fp->_IO_write_ptr - fp->_IO_write_base)
                                                : 0;
}

// Room left in fp's put area (0 when the stream is not set up for output).
inline size_t awk_sfroom(FILE* fp) {
  return fp->_IO_write_end > fp->_IO_write_ptr ? size_t(fp->_IO_write_end - fp->_IO_write_ptr)
                                               : 0;
}

// Appends len bytes that fit in the room left (the caller checked).
inline void awk_sfappend(FILE* fp, const char* bytes, size_t len) {
  std::memcpy(fp->_IO_write_ptr, bytes, len);
  fp->_IO_write_ptr += len;
}

// Where the next byte of fp's put area goes, for a writer that fills the
// room itself (the caller checked it), and the end of what it wrote.
inline char* awk_sfcursor(FILE* fp) { return fp->_IO_write_ptr; }
inline void awk_sfadvance(FILE* fp, char* end) { fp->_IO_write_ptr = end; }
