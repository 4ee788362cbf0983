// The output layer under print, printf and fwrite.
//
// One statement at a time: awk_put_init selects the stream (and applies the
// direction switch), awk_putout writes counted strings byte for byte (NULs
// included, retrying after EINTR), awk_put_end applies the flush policy and
// reports the first failed write of each stream (outerr.cpp). Flush policy: stdio
// buffering everywhere, plus stdout flushed before output to stderr, and
// stderr and SF_FLUSHEACH streams flushed at the end of each statement.
// While the curses screen is active, text for a terminal stream goes to the
// screen instead (up to its first NUL), and the statement's end refreshes.
#include "io/output.h"

#include <cerrno>
#include <cstring>

#include "format/printf.h"
#include "io/sfbuf.h"
#include "io/globals.h"
#include "diag/oops.h"
#include "diag/termhook.h"
#include "values/convert.h"

namespace {
FILE* out_fp = nullptr;      // stream of the statement in progress
AwkStream* out_sf = nullptr; // its record
int out_xlate = 1;           // line-end translation choice (unused on this host)
bool out_screen = false;     // the statement writes to the active curses screen
}  // namespace

int awk_put_init(AwkStream* r) {
  if (!r) return 0;
  if (!r->fp && (!(r->flags & SF_PARKED) || !awk_unpark(r))) return 0;
  awk_sfused(r);
  out_sf = r;
  out_fp = r->fp;
  if (awk_binmode == 0)
    out_xlate = 1;
  else if (r->flags & (SF_BINARY | SF_TEXT))
    out_xlate = (r->flags & SF_BINARY) != 0;
  else
    out_xlate = (awk_rawmode & 4) != 0;
  out_screen = (r->flags & SF_TTY) && awk_term_screen();
  if (out_screen) return 1;
  if (!(r->flags & SF_FLUSHEACH) && out_fp == stderr) awk_sfsync(stdout);
  awk_sfwriting(r);
  return 1;
}

// Writes len bytes; returns how many could not be written.
int32_t awk_putoutn(const char* bytes, size_t len) {
  if (out_screen) [[unlikely]] {
    awk_termhooks.screenPut(bytes, len);
    return 0;
  }
  size_t room = awk_sfroom(out_fp);
  if (len <= room) {
    awk_sfappend(out_fp, bytes, len);
    return 0;
  }
  // Pending bytes that would have to go out with these are written first,
  // where an interrupted write is retried instead of dropping the buffer.
  if (awk_sfpending(out_fp)) awk_sfsync(out_fp);
  size_t done = 0;
  while (done < len) {
    done += fwrite_unlocked(bytes + done, 1, len - done, out_fp);
    if (done == len) break;
    if (!(ferror(out_fp) && errno == EINTR)) break;
    clearerr(out_fp);
  }
  if (done < len) out_sf->lasterr = errno;
  return int32_t(len - done);
}

int32_t awk_putout(const AwkString* s) {
  if (!s) return 0;
  return awk_putoutn(s->text(), s->len);
}

void awk_put_end(int check) {
  AwkStream* r = out_sf;
  if (out_screen) [[unlikely]] {
    awk_termhooks.screenRefresh();
    return;
  }
  if ((r->flags & SF_FLUSHEACH) || out_fp == stderr) awk_sfsync(out_fp);
  if (check && ferror_unlocked(out_fp)) awk_sfwritefailed(r, r->lasterr ? r->lasterr : errno);
}

// Items of print that are all strings and fit, with OFS and ORS, in the
// room left in the stream's buffer, copied straight into it; false (nothing
// written) otherwise.
static bool putDirect(int argc, const Cell* items) {
  if (out_screen) return false;
  const uint32_t ofs = awk_ofs->len, ors = awk_ors->len;
  size_t total = ors + size_t(argc > 0 ? argc - 1 : 0) * ofs;
  for (int i = 0; i < argc; ++i) {
    if (!cellIsStringy(&items[i])) return false;
    total += items[i].w.s->len;
  }
  if (total > awk_sfroom(out_fp)) return false;
  char* p = awk_sfcursor(out_fp);
  for (int i = 0; i < argc; ++i) {
    if (i) {
      stringBytes(p, awk_ofs->text(), ofs);
      p += ofs;
    }
    const AwkString* s = items[i].w.s;
    stringBytes(p, s->text(), s->len);
    p += s->len;
  }
  stringBytes(p, awk_ors->text(), ors);
  awk_sfadvance(out_fp, p + ors);
  return true;
}

// Items of print, OFS between them, ORS after.
static void printitems(AwkStream* r, int argc, Cell* items) {
  if (!awk_put_init(r)) return;
  if (putDirect(argc, items)) {
    awk_put_end(1);
    return;
  }
  awk_inprint = 1;
  for (int i = 0; i < argc; ++i) {
    if (i) awk_putout(awk_ofs);
    Cell* c = &items[i];
    if (cellIsStringy(c)) {
      awk_putout(c->w.s);
    } else {
      AwkString* s = awk_a2s(c);
      awk_putout(s);
      stringFree(s);
    }
  }
  awk_inprint = 0;
  awk_putout(awk_ors);
  awk_put_end(1);
}

// A printf statement: the engine's result is written even after it
// reported a format error.
static void printfargs(AwkStream* r, int argc, Cell* args) {
  if (!awk_put_init(r)) return;
  Cell* fmt = &args[0];
  if (!cellIsStringy(fmt)) awk_assert2(0x6401);
  awk_inprint = 1;
  const char* err = nullptr;
  AwkString* s = awk_asprintf(fmt->w.s, argc - 1, args + 1, &err);
  awk_inprint = 0;
  if (err) oops(err[0], "printf: %s", err + 2);
  awk_putout(s);
  awk_put_end(1);
  stringFree(s);
}

// The `stdout` variable's stream. A name (or anything else but a fileid)
// is resolved once (created if missing, not truncated) and the variable
// then holds a counted fileid of it, so that closing that file leaves the
// variable on an orphan rather than on freed memory.
AwkStream* awk_stdoutsf() {
  Cell* c = awk_stdout;
  if (c->tag == Tag::FileId) return c->w.f;
  AwkStream* r =
      awk_getsf(c, O_WRONLY | O_CREAT, "stdout", GETSF_OPEN | GETSF_CHECKDIR);
  if (!r) {
    oops('e', "can not write to file specified by stdout variable");
    return nullptr;
  }
  awk_unaccess(c);
  if (r->refs == 0) r->refs = 1;
  else ++r->refs;
  c->tag = Tag::FileId;
  c->w.word = 0;
  c->w.f = r;
  return r;
}

void b_print(int argc, Cell* args) { printitems(awk_stdoutsf(), argc, args); }

void b_printf(int argc, Cell* args) {
  if (argc < 1) awk_assert2(0x6402);
  printfargs(awk_stdoutsf(), argc, args);
}

// Destination of a redirected statement: kind 1 is ">", any other ">>".
// One that cannot be had loses the statement's output: the run fails.
static AwkStream* redirect(Cell* args, const char* caller) {
  uint16_t omode = awk_a2l(&args[1]) == 1 ? (O_WRONLY | O_CREAT | O_TRUNC)
                                          : (O_WRONLY | O_APPEND | O_CREAT);
  AwkStream* r = awk_getsf(&args[0], omode, caller,
                           GETSF_OPEN | GETSF_REPORT | GETSF_CHECKDIR | GETSF_REDIR);
  if (!r || (!r->fp && !(r->flags & SF_PARKED))) awk_outputfailed = 1;
  return r;
}

void b___fprint(int argc, Cell* args) {
  if (argc < 2) awk_assert2(0x6403);
  printitems(redirect(args, "print"), argc - 2, args + 2);
}

void b___fprintf(int argc, Cell* args) {
  if (argc < 3) awk_assert2(0x6404);
  if (!cellIsStringy(&args[2])) awk_assert2(0x6401);
  printfargs(redirect(args, "printf"), argc - 2, args + 2);
}
