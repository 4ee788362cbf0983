// The record reader.
//
// awk_readrec appends the bytes of one record to the shared record buffer
// and leaves [0, len) as the record and [len, start) as the separator that
// ended it; next_record turns that into a string, keeps NR/FNR and RSM, and
// for the main input walks the ARGV operands (awk_nextfile), running the
// begin-file and end-file code at file boundaries.
//
// Speed: in the common case (RS one byte, a regular file) records are cut
// straight out of the stdio buffer with memchr (readptr.h) and become the
// record string with one copy. Without byte translation, the "byte by
// byte" path also moves whole runs of buffered bytes at a time; it differs
// from reading with getc only in speed. Translation (CR LF, control-Z) and
// separator patterns go truly byte by byte.
//
// A record is cut at RECLEN bytes. When the byte after a record of exactly
// RECLEN bytes is its separator, the separator is consumed with it, so that
// every path gives one record for such a line and no empty record after it.
#include "io/record.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "arrays/table.h"
#include "image/format.h"
#include "io/dosmatch.h"
#include "io/fields.h"
#include "io/globals.h"
#include "io/readptr.h"
#include "io/specvars.h"
#include "io/stream.h"
#include "regex/regex.h"
#include "diag/oops.h"
#include "diag/termhook.h"
#include "program/runstate.h"
#include "program/symtab.h"
#include "io/vars.h"
#include "values/alloc.h"
#include "values/convert.h"

AwkReaderHooks awk_readerhooks = {};

AwkRecBuf awk_recbuf = {0, 0, 0, nullptr};
int awk_rschar = '\n';
AwkPattern* awk_rspat = nullptr;

namespace {

constexpr int32_t kInitialRecBuf = 2050;
constexpr int32_t kRecGrowStep = 2048;
constexpr int kCtrlZ = 26;

// Occurrences of byte c in p[0..n). With SSE2, sixteen byte counters
// take each block's matches (a match compares as -1) and are summed
// before any can pass 255.
int32_t countByte(const char* p, size_t n, char c) {
  int32_t count = 0;
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i want = _mm_set1_epi8(c);
  while (i + 16 <= n) {
    __m128i counters = _mm_setzero_si128();
    const size_t stop = i + 16 * std::min<size_t>(255, (n - i) / 16);
    for (; i < stop; i += 16) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
      counters = _mm_sub_epi8(counters, _mm_cmpeq_epi8(v, want));
    }
    const __m128i sums = _mm_sad_epu8(counters, _mm_setzero_si128());
    count += _mm_cvtsi128_si32(sums) + _mm_extract_epi16(sums, 4);
  }
#endif
  for (; i < n; ++i) count += p[i] == c;
  return count;
}

AwkString* wildPattern = nullptr;   // ARGV operand being expanded
AwkDosMatch wildState = {nullptr, nullptr, nullptr};
bool stdinOnce = true;              // standard input not yet taken for ARGC 1
bool inFile = false;                // begin-file code ran for the current file

// Translation of a stream: bit 1 control-Z is data, bit 2 CR is data.
int translation(const AwkStream* s) {
  if (s->flags & SF_BINARY) return 3;
  if (s->flags & SF_TEXT) return 0;
  return awk_rawmode;
}

// A predefined global's cell, or null when the image has too few globals.
Cell* predefined(int gid) {
  int i = gid - vorn::image::gid::kGlobalFirst;
  return i < awk_ngvars ? awk_gvar(gid) : nullptr;
}

void showPrompt() {
  Cell* pc = predefined(vorn::image::predef::g_PROMPT);
  AwkString* text = pc ? awk_a2s(pc) : stringDup(string_empty);
  std::fflush(stderr);
  std::fflush(stdout);
  FILE* out = awk_stdouttty ? stdout : awk_stderrtty ? stderr : nullptr;
  if (out) {
    std::fprintf(out, "%s", text->text());
    std::fflush(out);
  }
  stringFree(text);
}

bool exitPending() { return (awk_gt_conditions & kCondExit) != 0; }

// Stores the separator text into RSM; an RSM that already holds the same
// bytes is left alone, so the usual "\n" costs nothing per record.
void setRsm(const char* bytes, int32_t n) {
  Cell* c = awk_rsm;
  if (!c) return;
  if (c->tag == Tag::String && c->w.s->len == uint32_t(n) &&
      std::memcmp(c->w.s->text(), bytes, size_t(n)) == 0)
    return;
  awk_unaccess(c);
  AwkString* s;
  if (n == 0)
    s = stringDup(string_empty);
  else if (n == 1 && bytes[0] == '\n' && awk_nlstr)
    s = stringDup(awk_nlstr);
  else
    s = stringNew1(bytes, uint32_t(n));
  c->tag = Tag::String;
  c->w.word = 0;
  c->w.s = s;
}

// The string of a record read, as its use wants it.
AwkString* recordString(const char* bytes, uint32_t len, RecordUse use) {
  switch (use) {
    case RecordUse::Dollar0:
      return awk_nextrecord(bytes, len);
    case RecordUse::Drop:
      return stringDup(string_empty);
    default:
      return stringNew1(bytes, len);
  }
}

// The main-input file when its records are plain runs of bytes up to the
// one-byte separator, with nothing but NR and FNR to update: what the
// roads below may read straight from its stdio buffer.
AwkStream* plainMainInput() {
  AwkStream* sf = awk_datasf;
  if (!sf || (awk_miscflags & kMiscRsUsed) || (sf->flags & (SF_TEXT | SF_TTY)) ||
      sf->lastop != 'r' || !sf->fp || awk_rschar <= 0)
    return nullptr;
  return sf;
}

// The record already whole in the stdio buffer of the main-input file, or
// null to take the general path.
AwkString* mainFast(RecordUse use) {
  AwkStream* sf = plainMainInput();
  if (!sf) return nullptr;
  size_t n;
  const char* b = awk_freadptr(sf->fp, &n);
  if (!b) return nullptr;
  const char* e = static_cast<const char*>(std::memchr(b, awk_rschar, n));
  if (!e || e - b > awk_reclen) return nullptr;
  AwkString* s = recordString(b, uint32_t(e - b), use);
  awk_freadskip(sf->fp, size_t(e - b) + 1);
  ++awk_nr;
  ++awk_fnr;
  return s;
}

// Paragraph mode: lines up to the first empty one, joined by their
// newlines; leading empty lines are skipped.
const char* readParagraph(AwkStream* sf) {
  AwkRecBuf& rb = awk_recbuf;
  do {
    rb.len = rb.start = 0;
    if (!awk_readrec(sf, '\n', awk_reclen, 0)) return nullptr;
  } while (rb.len == 0);
  for (;;) {
    if (rb.start == rb.len || rb.start >= awk_reclen) break;   // end of file, or full
    int32_t prevLen = rb.len, lineStart = rb.start;
    if (!awk_readrec(sf, '\n', awk_reclen, 0)) {
      rb.len = prevLen;
      rb.start = lineStart;
      break;
    }
    if (rb.len == lineStart) {   // an empty line ends the paragraph
      rb.len = prevLen;
      break;
    }
  }
  return rb.ptr;
}

// One record of sf under the current RS.
const char* readOne(AwkStream* sf) {
  switch (awk_rschar) {
    case kRsPattern:
      awk_eresetup(awk_rspat, kReNoEmpty);
      return awk_readrec(sf, -1, awk_reclen, kReadPattern);
    case kRsParagraph:
      return readParagraph(sf);
    default:
      return awk_readrec(sf, awk_rschar, awk_reclen, kReadInPlace);
  }
}

void endWildcard() {
  awk_dosmatchclose(&wildState);
  if (wildPattern) stringFree(wildPattern);
  wildPattern = nullptr;
}

void failedOperand(const AwkString* name, bool directory) {
  if (directory)
    oops('W', "Skipping directory %s", name->text());
  else
    oops('W', "Can not open file: \"%s\"", name->text());
  if (awk_exitstatus == 0) awk_exitstatus = 1;
}

bool isDirectory(const AwkString* name) {
  struct stat st;
  return stat(name->text(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The next name to open from ARGV (or "-"), as a new string; null when the
// operands are exhausted.
AwkString* nextOperand() {
  namespace pd = vorn::image::predef;
  if (wildPattern) {
    if (const char* m = awk_dosmatch(wildPattern->text(), 0, 0, &wildState)) return stringNew(m);
    endWildcard();
  }
  Cell* argcCell = predefined(pd::g_ARGC);
  Cell* argiCell = predefined(pd::g_ARGI);
  Cell* argv = predefined(pd::g_ARGV);
  if (!argcCell || !argiCell || !argv) return nullptr;
  int32_t argc = awk_a2l(argcCell);
  if (argc == 1 && stdinOnce) {
    stdinOnce = false;
    return stringDup(awk_dashstr);
  }
  if (argv->tag != Tag::Array) {
    oops('W', "ARGV has been changed to a non-array");
    return nullptr;
  }
  for (;;) {
    int32_t argi = awk_a2l(argiCell);
    if (argi >= argc || argi <= 0) return nullptr;
    awk_setvargl(pd::g_ARGI, argi + 1);
    Cell elem;
    if (!awk_getarray(argv, argi, &elem)) continue;
    AwkString* name = awk_a2s_unacc(&elem);
    if (name->len == 0) {
      stringFree(name);
      continue;
    }
    if (std::memchr(name->text(), '=', name->len)) {
      if (awk_readerhooks.assign) awk_readerhooks.assign(name->text());
      stringFree(name);
      continue;
    }
    if (!awk_haswild(name->text())) return name;
    const char* m = awk_dosmatch(name->text(), 0, 1, &wildState);
    if (!m) {
      failedOperand(name, false);
      stringFree(name);
      continue;
    }
    wildPattern = name;
    return stringNew(m);
  }
}

}  // namespace

void awk_lstrexp2(int32_t size) {
  if (awk_recbuf.ptr && awk_recbuf.cap >= size) return;
  awk_recbuf.ptr = static_cast<char*>(respace(awk_recbuf.ptr, size));
  awk_recbuf.cap = size;
}

const char* awk_readrec(AwkStream* stream, int sep, int32_t maxlen, int opts) {
  AwkRecBuf& rb = awk_recbuf;
  if (!rb.ptr) awk_lstrexp2(kInitialRecBuf);
  FILE* fp = stream ? stream->fp : nullptr;
  if (!fp || feof(fp)) return nullptr;
  int tr = translation(stream);
  awk_sfreading(stream);
  if (stream->flags & SF_TTY) {
    if (fileno(fp) == 0) showPrompt();
    awk_term_suspend();
  }
  const int32_t entry = rb.start;
  int32_t limit = maxlen < rb.cap - 2 ? maxlen : rb.cap - 2;

  // A whole line in the stdio buffer.
  if (sep == '\n') {
    size_t avail;
    if (const char* b = awk_freadptr(fp, &avail)) {
      const char* nl = static_cast<const char*>(std::memchr(b, '\n', avail));
      int32_t n = nl ? int32_t(nl - b) : 0;
      if (nl && n <= limit - entry && ((tr & 1) || !std::memchr(b, kCtrlZ, size_t(n)))) {
        // CR LF reads as LF when CRs are not data, here as byte by byte.
        int32_t text = (!(tr & 2) && n > 0 && b[n - 1] == '\r') ? n - 1 : n;
        awk_freadskip(fp, size_t(n) + 1);
        if ((opts & kReadInPlace) && entry == 0 && text == n) {
          rb.len = text;
          rb.start = n + 1;
          return b;
        }
        std::memcpy(rb.ptr + entry, b, size_t(text));
        rb.ptr[entry + text] = '\n';
        rb.len = entry + text;
        rb.start = rb.len + 1;
        return rb.ptr;
      }
    }
  }

  // Byte by byte (or run by run where that cannot differ).
  const bool runs = tr == 3 && !(opts & kReadPattern);
  int32_t stored = entry;
  for (;;) {
    while (stored < limit) {
      if (runs) {
        size_t avail;
        if (const char* b = awk_freadptr(fp, &avail)) {
          size_t m = size_t(limit - stored);
          if (avail < m) m = avail;
          const char* hit = sep >= 0 ? static_cast<const char*>(std::memchr(b, sep, m)) : nullptr;
          size_t take = hit ? size_t(hit - b) + 1 : m;
          std::memcpy(rb.ptr + stored, b, take);
          awk_freadskip(fp, take);
          stored += int32_t(take);
          if (hit) {
            rb.start = stored;
            rb.len = stored - 1;
            goto finish;
          }
          continue;
        }
      }
      int c = getc_unlocked(fp);
      if (c == '\r' && !(tr & 2)) {
        int d = getc_unlocked(fp);
        if (d == '\n') {
          c = '\n';
        } else if (d != EOF) {
          ungetc(d, fp);
        }
      }
      if (c == kCtrlZ && !(tr & 1)) {
        ungetc(c, fp);
        c = EOF;
      } else if (c == EOF && ferror(fp) && errno == EINTR) {
        // An interrupted read of any stream checks for an ending signal:
        // a read from a pipe may otherwise wait forever with it pending.
        if (awk_readerhooks.pollSignals) awk_readerhooks.pollSignals(1);
        clearerr(fp);
        continue;
      }
      if (c == EOF) {
        rb.len = rb.start = stored;
        if ((opts & kReadPattern) && stored > entry && awk_erestep(-1, stored)) goto matched;
        goto finish;
      }
      rb.ptr[stored++] = char(c);
      if (c == sep) {
        rb.start = stored;
        rb.len = stored - 1;
        goto finish;
      }
      if ((opts & kReadPattern) && awk_erestep(c, stored - 1)) goto matched;
    }
    // The limit is reached.
    if (limit < maxlen) {
      int32_t want = (maxlen < limit + kRecGrowStep ? maxlen : limit + kRecGrowStep) + 2;
      awk_lstrexp2(want);
      limit = maxlen < rb.cap - 2 ? maxlen : rb.cap - 2;
      continue;
    }
    if (sep >= 0) {
      // A separator right at the limit still belongs to this record.
      int c = getc_unlocked(fp);
      if (c == '\r' && sep == '\n' && !(tr & 2)) {
        int d = getc_unlocked(fp);
        if (d == '\n') {
          c = d;
        } else {
          if (d != EOF) ungetc(d, fp);
          ungetc(c, fp);
          c = EOF;
        }
      }
      if (c == sep) {
        rb.ptr[stored] = char(c);
        rb.len = stored;
        rb.start = stored + 1;
        goto finish;
      }
      if (c != EOF) ungetc(c, fp);
    }
    if (maxlen == kNoLimit) oops('W', "input record too long, is split");
    rb.len = rb.start = stored;
    goto finish;
  }

matched: {
  int32_t s = stored, e = stored;
  awk_erepatpos(&s, &e);
  rb.len = s;
  rb.start = e;
  // The bytes read past the match go back to the stream, last first, for
  // the next record. The C library keeps any number of them (it moves its
  // read position back, or grows its push-back area); only a refusal loses
  // data. A byte it already holds pushed back (after a lone CR) comes after
  // them, as it came after them in the input.
  for (int32_t i = stored - 1; i >= e; --i) {
    if (ungetc(static_cast<unsigned char>(rb.ptr[i]), fp) == EOF) {
      oops('w', "RS pattern requires more than one character look-ahead; possible data loss");
      break;
    }
  }
}

finish:
  return rb.start > entry ? rb.ptr : nullptr;
}

namespace {

// Every record the fast road of next_record does not take.
[[gnu::noinline]] AwkString* readRecord(AwkStream* stream, RecordUse use) {
  AwkRecBuf& rb = awk_recbuf;
  const bool mainInput = stream == nullptr;
  bool moveOn = false;   // the current main-input file is done
  for (;;) {
    rb.len = rb.start = 0;
    AwkStream* sf = mainInput ? (moveOn ? nullptr : awk_datasf) : stream;
    if (!sf) {
      if (!mainInput) return nullptr;
      if (inFile) {
        inFile = false;
        if (awk_readerhooks.endFile) awk_readerhooks.endFile();
        if (exitPending()) return nullptr;
      }
      if (!awk_nextfile()) return nullptr;
      moveOn = false;
      if (awk_readerhooks.beginFile) awk_readerhooks.beginFile();
      inFile = true;
      if (exitPending()) return nullptr;
      continue;
    }
    if (const char* rec = readOne(sf)) {
      if (mainInput) {
        ++awk_nr;
        ++awk_fnr;
      }
      setRsm(rec + rb.len, rb.start - rb.len);
      return recordString(rec, uint32_t(rb.len), use);
    }
    if (!mainInput) return nullptr;
    if (inFile) {
      inFile = false;
      if (awk_readerhooks.endFile) awk_readerhooks.endFile();
      if (exitPending()) return nullptr;
      if (sf == awk_datasf && sf->fp && !(sf->flags & SF_DEVICE)) {
        clearerr(sf->fp);
        continue;   // the end-file code may have repositioned it
      }
    }
    moveOn = true;
  }
}

}  // namespace

void skip_records(AwkPattern* filter) {
  AwkStream* sf = plainMainInput();
  if (!sf) return;
  size_t n;
  const char* b = awk_freadptr(sf->fp, &n);
  // Only whole records: a longer one than RECLEN would be read as pieces.
  if (!b || n > size_t(awk_reclen)) return;
  const char sep = char(awk_rschar);
  const char* last = static_cast<const char*>(memrchr(b, sep, n));
  if (!last) return;
  const int32_t whole = int32_t(last - b) + 1;
  const int32_t at = filter ? awk_literalat(filter, b, whole) : -1;
  if (at == -2) return;
  // Records before the one holding the first occurrence cannot hold one.
  const char* keep = b + whole;
  if (at >= 0) {
    const char* before = at > 0 ? static_cast<const char*>(memrchr(b, sep, size_t(at))) : nullptr;
    keep = before ? before + 1 : b;
  }
  const int32_t count = countByte(b, size_t(keep - b), sep);
  if (count == 0) return;
  awk_freadskip(sf->fp, size_t(keep - b));
  awk_nr += count;
  awk_fnr += count;
}

AwkString* next_record(AwkStream* stream, RecordUse use) {
  if (stream == nullptr) {
    if (AwkString* r = mainFast(use)) return r;
  }
  return readRecord(stream, use);
}

int awk_nextfile() {
  for (;;) {
    if (AwkStream* r = awk_datasf) {
      awk_datasf = nullptr;
      awk_sfclose(r, 1);
    }
    AwkString* name = nextOperand();
    if (!name) return 0;
    if (awk_isopen(name)) oops('w', "automatic input file %s is already open", name->text());
    AwkStream* r = awk_openfile(name, kOpenRead, 0, 0, GETSF_OPEN);
    bool directory = false;
    if (r && r->fp) {
      // Opening a directory succeeds on this host; reading it does not.
      struct stat st;
      if (fstat(fileno(r->fp), &st) == 0 && S_ISDIR(st.st_mode)) {
        awk_sfclose(r, 1);
        r = nullptr;
        directory = true;
      }
    } else if (r) {
      r = nullptr;
    }
    if (!r) {
      failedOperand(name, directory || isDirectory(name));
      stringFree(name);
      continue;
    }
    awk_datasf = r;
    if (awk_filename) stringFree(awk_filename);
    awk_filename = name;
    awk_fnr = 0;
    return 1;
  }
}

void awk_recreset() {
  endWildcard();
  stdinOnce = true;
  inFile = false;
  awk_datasf = nullptr;
}
