// Stream state queries: feof, ferror and fileno.
//
// feof and ferror without a file argument ask about the current main-input
// file. feof looks at the next byte by reading it and pushing it back, and
// never reads from a stream that is only written (that would set its error
// indicator).
#include <cstdio>

#include "io/stream.h"
#include "diag/oops.h"
#include "values/convert.h"

namespace {

// The stream of an optional file argument: the main-input file without
// one; null (silently for a fileid of no stream) when there is none.
AwkStream* queried(int argc, Cell* args, const char* caller) {
  if (argc == 0) return awk_datasf;
  return awk_getsf(&args[0], kOpenRead, caller, GETSF_QUIET);
}

// A number cell of an address: int when it fits in 32 bits.
void setAddress(Cell* c, const void* p) {
  const uint64_t a = reinterpret_cast<uintptr_t>(p);
  if (a <= uint64_t(INT32_MAX))
    cellSetInt(c, int32_t(a));
  else
    cellSetFloat(c, double(a), 0);
}

}  // namespace

// feof([file]): 1 at end of file (or without a stdio stream), 0 before it,
// -1 without a stream, for a read-write stream, or after an error.
void b_feof(int argc, Cell* args) {
  if (argc > 1) awk_assert2(0x650B);
  AwkStream* r = queried(argc, args, "feof");
  int result;
  if (!r || (r->omode & kOpenAccess) == kOpenReadWrite || (r->fp && ferror(r->fp))) {
    result = -1;
  } else if (!r->fp || (r->omode & kOpenAccess) == kOpenWrite) {
    result = 1;
  } else {
    int c = getc(r->fp);
    if (c == EOF) {
      result = ferror(r->fp) ? -1 : 1;
    } else {
      ungetc(c, r->fp);
      result = 0;
    }
  }
  cellSetInt(awk_retval, result);
}

// ferror([file [, set]]): 1 after an error on an open stream, its close
// status once closed, -1 without a stream. A nonzero set marks the stream
// as failed; zero clears the mark and the stdio indicators.
void b_ferror(int argc, Cell* args) {
  if (argc > 2) awk_assert2(0x650C);
  AwkStream* r = queried(argc, args, "ferror");
  if (!r) {
    cellSetInt(awk_retval, -1);
    return;
  }
  if (argc == 2) {
    if (awk_a2l(&args[1]) != 0) {
      r->status = 1;
    } else {
      r->status = 0;
      if (r->fp) clearerr(r->fp);
    }
  }
  if (r->fp)
    cellSetInt(awk_retval, (r->status || ferror(r->fp)) ? 1 : 0);
  else
    cellSetInt(awk_retval, r->status);
}

// fileno(file [, option]): the descriptor ('d', 'h', '1'), the stdio
// stream's address ('f') or the socket descriptor ('s'). The option is the
// first byte of a string, or 'h' for the number 1.
void b_fileno(int argc, Cell* args) {
  if (argc < 1 || argc > 2) awk_assert2(0x650D);
  int option = 'd';
  if (argc == 2) {
    const Cell* o = &args[1];
    if (cellIsStringy(o)) {
      option = static_cast<unsigned char>(o->w.s->len ? o->w.s->text()[0] : 0);
    } else if ((o->tag == Tag::Int && o->w.i == 1) || (o->tag == Tag::Float && o->x.d == 1)) {
      option = 'h';
    } else {
      awk_assert2(0x650E);
    }
    if (option >= 'A' && option <= 'Z') option += 'a' - 'A';
  }
  AwkStream* r = awk_getsf(&args[0], kOpenRead, "fileno", 0);
  FILE* fp = r ? r->fp : nullptr;
  switch (option) {
    case 'd': case 'h': case '1':
      cellSetInt(awk_retval, fp ? fileno(fp) : -1);
      break;
    case 'f':
      setAddress(awk_retval, fp);
      break;
    case 's':
      cellSetInt(awk_retval, (fp && (r->flags & SF_SOCKET)) ? fileno(fp) : -1);
      break;
    default:
      oops('n', "urecognized option to fileno function");
      break;
  }
}
