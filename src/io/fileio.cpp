// The explicit stream builtins: fopen, fdopen, fread, fwrite, ftell, fseek
// and fflush.
//
// Streams from fopen and fdopen are counted (refs starts at 1 for the
// fileid handed back) and, for fopen, explicit: only close() or the end of
// the run closes them. Every file argument goes through awk_getsf, so a
// name and a fileid work alike.
//
// fseek can make an exhausted input stream (read to its end by getline and
// closed with its name kept) readable again: the file is reopened by name
// with its stored open flags and then positioned.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "io/globals.h"
#include "io/output.h"
#include "io/record.h"
#include "io/sfbuf.h"
#include "io/stream.h"
#include "diag/oops.h"
#include "values/alloc.h"
#include "values/convert.h"

namespace {

// Largest buffer fread sets aside before it knows how much there is to read.
constexpr int32_t kFreadPresize = 65536;

// A number cell of a 64-bit quantity: int when it fits in 32 bits.
void setNumber(Cell* c, int64_t v) {
  if (v >= INT32_MIN && v <= INT32_MAX)
    cellSetInt(c, int32_t(v));
  else
    cellSetFloat(c, double(v), 0);
}

// An argument taken as a 64-bit address (stdio stream pointers of fdopen's
// F option): large addresses arrive as floats.
uint64_t addressOf(const Cell* c) {
  switch (c->tag) {
    case Tag::Int: return uint64_t(uint32_t(c->w.i));
    case Tag::Float:
      return c->x.d >= 0 && c->x.d < 18446744073709551616.0 ? uint64_t(c->x.d) : 0;
    case Tag::RawPointer: return uint64_t(reinterpret_cast<uintptr_t>(c->w.p));
    case Tag::Address: return uint64_t(reinterpret_cast<uintptr_t>(c->w.s->text()));
    case Tag::String: case Tag::Field: case Tag::VmString: case Tag::VmField: {
      Cell n;
      awk_cvtn(c, &n);
      return addressOf(&n);
    }
    default: return 0;
  }
}

// True if a stream record already owns fp (a standard stream or a listed
// one): adopting it a second time would close it twice.
bool ownedStream(const FILE* fp) {
  if (fp == stdin || fp == stdout || fp == stderr) return true;
  for (AwkStream* r = awk_filehead->next; r != awk_filehead; r = r->next)
    if (r->fp == fp) return true;
  return false;
}

// Hands a counted stream out as the builtin's result: the one reference of
// the fileid.
void resultStream(AwkStream* r) {
  awk_setfileid(awk_retval, r);
  if (r) r->refs = 1;
}

// Gives a reopened stream the private buffer a fresh open would give it.
void rebuffer(AwkStream* r) {
  int fd = fileno(r->fp);
  if (awk_isdev(fd)) return;
  awk_sfownbuf(r);
}

// Bytes fread may find in r: what is left of a regular file (plus one, to
// see its end), else a modest first guess; the reader grows the buffer
// when more arrives.
int32_t freadPresize(AwkStream* r, int32_t length) {
  struct stat st;
  int64_t guess = kFreadPresize;
  if (fstat(fileno(r->fp), &st) == 0 && S_ISREG(st.st_mode)) {
    long pos = ftell(r->fp);
    guess = int64_t(st.st_size) - (pos > 0 ? pos : 0) + 1;
    if (guess < 1) guess = 1;
  }
  return length < guess ? length : int32_t(guess);
}

}  // namespace

// fopen(name, mode): a fileid of the opened stream, or of no stream when
// the name is already open (a warning) or the file cannot be opened.
void b_fopen(int argc, Cell* args) {
  if (argc != 2) awk_assert2(0x6503);
  AwkString* name = awk_a2s(&args[0]);
  AwkStream* open = awk_findsf(name, 0);
  if (open && !(open->flags & SF_DEVICE)) {
    oops('w', "fopen: file %s already open", name->text());
    stringFree(name);
    resultStream(nullptr);
    return;
  }
  AwkString* mode = awk_a2s(&args[1]);
  uint16_t flags = 0, share = 0;
  uint16_t omode = uint16_t(awk_parsemode(mode->text(), &flags, &share, 0, "fopen"));
  stringFree(mode);
  AwkStream* r = awk_openfile(name, omode, share, flags | SF_EXPLICIT, 0);
  stringFree(name);
  resultStream(r);
}

// fdopen(fd, mode): adopts a descriptor (or with the F option an existing
// stdio stream) as a counted stream named "fdopen file"; on failure the
// result stays uninitialized.
void b_fdopen(int argc, Cell* args) {
  if (argc != 2) awk_assert2(0x6504);
  AwkString* mode = awk_a2s(&args[1]);
  uint16_t flags = 0, share = 0;
  uint16_t omode = uint16_t(awk_parsemode(mode->text(), &flags, &share, 0, "fdopen"));
  stringFree(mode);
  FILE* fp;
  if (flags & SF_FILEPTR) {
    fp = reinterpret_cast<FILE*>(uintptr_t(addressOf(&args[0])));
    if (!fp || ownedStream(fp)) return;
  } else {
    int32_t fd = awk_a2l(&args[0]);
    if (fd < 0) return;
    fp = fdopen(fd, awk_fmodestr(omode));
  }
  if (!fp) return;
  AwkStream* r = awk_newsf(omode, fp, "fdopen file", flags, 1);
  r->share = share;
  awk_dllink(r);
  resultStream(r);
}

// fread(length, file): up to length bytes of the stream (fewer at its end),
// "" without a stream.
void b_fread(int argc, Cell* args) {
  if (argc != 2) awk_assert2(0x6505);
  int32_t length = awk_a2l(&args[0]);
  AwkStream* r = awk_getsf(&args[1], kOpenRead, "fread",
                           GETSF_OPEN | GETSF_REPORT | GETSF_CHECKDIR);
  if (!r) {
    cellSetString(awk_retval, stringDup(string_empty));
    return;
  }
  if (uint32_t(length) > uint32_t(kNoLimit)) {
    oops('w', "fread: requested length truncated to %d", kNoLimit);
    length = kNoLimit;
  }
  const char* bytes = nullptr;
  awk_recbuf.len = awk_recbuf.start = 0;
  if (r->fp && length > 0) {
    awk_lstrexp2(freadPresize(r, length) + 2);
    bytes = awk_readrec(r, -1, length, 0);
  }
  cellSetString(awk_retval, bytes ? stringNew1(bytes, uint32_t(awk_recbuf.len))
                                  : stringDup(string_empty));
  awk_recbuf.len = awk_recbuf.start = 0;
}

// fwrite(string, file): the number of bytes written (NULs included).
void b_fwrite(int argc, Cell* args) {
  if (argc != 2) awk_assert2(0x6506);
  AwkStream* r = awk_getsf(&args[1], kOpenWrite | kOpenCreate | kOpenTrunc, "fwrite",
                           GETSF_OPEN | GETSF_REPORT | GETSF_CHECKDIR);
  int32_t written = 0;
  if (awk_put_init(r)) {
    AwkString* s = awk_a2s(&args[0]);
    written = int32_t(s->len) - awk_putout(s);
    awk_put_end(0);
    stringFree(s);
  }
  cellSetInt(awk_retval, written);
}

// ftell(file): the position; 0 for a device, the position at close for a
// closed or exhausted stream, -1 without a stream.
void b_ftell(int argc, Cell* args) {
  if (argc != 1) awk_assert2(0x6507);
  AwkStream* r = awk_getsf(&args[0], kOpenRead, "ftell", 0);
  if (!r) {
    cellSetInt(awk_retval, -1);
  } else if (r->flags & SF_DEVICE) {
    cellSetInt(awk_retval, 0);
  } else if (r->fp) {
    setNumber(awk_retval, ftell(r->fp));
  } else {
    setNumber(awk_retval, r->closepos);
  }
}

// fseek(file, offset [, whence]): 1 on success, 0 on failure. An exhausted
// input file is reopened first (at its end), so that getline can read it
// again.
void b_fseek(int argc, Cell* args) {
  if (argc < 2 || argc > 3) awk_assert2(0x6508);
  cellSetInt(awk_retval, 0);
  AwkStream* r = awk_getsf(&args[0], kOpenRead, "fseek", 0);
  if (!r) return;
  const int32_t offset = awk_a2l(&args[1]);
  const int32_t whence = argc == 3 ? awk_a2l(&args[2]) : SEEK_SET;
  if (!r->fp) {
    if ((r->omode & kOpenAccess) != kOpenRead || (r->flags & (SF_ORPHAN | SF_PIPE)) || !r->name)
      return;
    if (r->flags & SF_EXPLICIT) awk_assert2(0x6509);
    r->fp = awk_openfp(r->name->text(), r->omode, r->share, r->flags);
    if (!r->fp) {
      r->status = 1;
      return;
    }
    r->lastop = 0;
    rebuffer(r);
    fseek(r->fp, 0, SEEK_END);
  } else {
    awk_sfflush(r);
  }
  cellSetInt(awk_retval, fseek(r->fp, offset, whence) == 0 ? 1 : 0);
}

// fflush(file [, sync]): writes out pending output (input is never
// discarded), and with a nonzero sync also pushes it to the device. No
// result.
void b_fflush(int argc, Cell* args) {
  if (argc < 1 || argc > 2) awk_assert2(0x650A);
  AwkStream* r = awk_getsf(&args[0], kOpenRead, "fflush", 0);
  if (!r || !r->fp) return;
  if (r->lastop == 'w' || (r->omode & kOpenAccess) == kOpenWrite) awk_sfsync(r->fp);
  if (argc == 2 && awk_a2l(&args[1]) != 0) fsync(fileno(r->fp));
}
