// getline in its three forms, and close().
//
// Main input (no source): the next record of the ARGV operands, counted in
// NR and FNR. From a file or a command (a source cell, a name or the fileid
// __pipeopen made): the next record of that stream, not counted. A stream
// that reaches its end is closed but keeps its record and name, so every
// later read of it gives 0 until close() (or fseek) makes it readable again;
// a pipe closed this way keeps the command's exit status for close().
//
// Whatever happens, the target receives a field-tagged string, empty when
// no record was read.
#include <cstdio>

#include "io/refs.h"
#include "io/fields.h"
#include "io/record.h"
#include "io/stream.h"
#include "diag/oops.h"

namespace {

// The next record of a named stream: 1 and the record, 0 at its end (the
// stream is then closed, keeping its name), -1 when there is no stream. A
// read error (a directory, say) is not an end of input: it gives -1, and
// the stream is closed as at its end.
int readFrom(Cell* source, AwkString** rec) {
  AwkStream* r = awk_getsf(source, kOpenRead, "getline", GETSF_OPEN | GETSF_CHECKDIR | GETSF_REDIR);
  if (!r) return -1;
  if (!r->fp) return 0;
  *rec = next_record(r);
  if (*rec) return 1;
  const bool failed = r->fp && ferror(r->fp);
  awk_sfclose(r, 0);
  return failed ? -1 : 0;
}

}  // namespace

// getline(): 0 arguments reads $0; 1 argument (a reference) reads the main
// input into it; 2 arguments (reference, source) read a file or command.
// Result: 1 record read, 0 end of input, -1 no stream.
void b_getline(int argc, Cell* args) {
  if (argc < 0 || argc > 2) awk_assert2(0x6501);
  AwkString* rec = nullptr;
  int result;
  if (argc == 2) {
    result = readFrom(&args[1], &rec);
  } else {
    rec = next_record(nullptr, argc == 0 ? RecordUse::Dollar0 : RecordUse::Value);
    result = rec ? 1 : 0;
  }
  Cell value;
  value.tag = Tag::Field;
  value.w.word = 0;
  value.w.s = rec ? rec : stringDup(string_empty);
  if (argc == 0)
    awk_setfield(0, &value);
  else
    awk_setref(&args[0], &value);
  cellSetInt(awk_retval, result);
}

// close(file): a pipe's exit status, 0 for a file, -1 for a standard stream
// or a name that is not open.
void b_close(int argc, Cell* args) {
  if (argc != 1) awk_assert2(0x6502);
  AwkStream* r = awk_getsf(&args[0], kOpenRead, "close", GETSF_PIPES);
  cellSetInt(awk_retval, r ? awk_sfclose(r, 2) : -1);
}
