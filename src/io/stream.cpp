// The stream table: stream records, the stream list, opening by name, the
// lookup rules and the close/flush/shut-down policies.
//
// Invariants:
// - Every record reached from awk_filehead is listed exactly once; the three
//   standard records are never listed and never freed.
// - A listed record is open (fp set), exhausted (fp null, name kept) or an
//   orphan (SF_ORPHAN: no fp, no name, kept only while refs > 0). An orphan
//   whose refs has fallen to 0 is freed by the next name lookup.
// - Names match exactly, as the host's file names do; pipe commands are
//   looked up by b___pipeopen, never by awk_findsf's name rule alone.
// - Output to "-", "/dev/stdout" and "/dev/stderr" goes to the process's
//   own standard records (shared buffer and order, no truncation of what
//   the shell redirected).
// - A record's private buffer is freed only after its stdio stream is
//   closed.
#include "io/stream.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "diag/oops.h"
#include "values/alloc.h"
#include "values/convert.h"

int32_t awk_fileidnum(const AwkStream* f) {
  if (!f || !f->fp) return 0;
  return fileno(f->fp) + 1;
}

// How value cells count the streams they name (values/cell.h): a stream
// with a use count of 0 is one nobody counts. A fileid reads as its
// descriptor plus one.
[[gnu::used]] static const bool ownerOpsSet = [] {
  awk_ownerops[int(OwnerKind::Stream)] = {
      [](void* f) { if (auto* s = static_cast<AwkStream*>(f); s->refs != 0) ++s->refs; },
      [](void* f) { if (auto* s = static_cast<AwkStream*>(f); s->refs != 0) --s->refs; },
      [](const void* f) { return awk_fileidnum(static_cast<const AwkStream*>(f)); },
      nullptr};
  return true;
}();

AwkStream* awk_filehead = nullptr;
Cell* awk_stdin = nullptr;
Cell* awk_stdout = nullptr;
Cell* awk_rsm = nullptr;
Cell* awk_filemodecell = nullptr;
AwkStream* awk_stdinsf = nullptr;
AwkStream* awk_stdoutrec = nullptr;
AwkStream* awk_stderrrec = nullptr;
AwkString* awk_dashstr = nullptr;
AwkString* awk_nlstr = nullptr;
AwkStream* awk_datasf = nullptr;
int awk_stdouttty = 0;
int awk_stderrtty = 0;
int32_t awk_bufsize = 4096;
int32_t awk_binmode = 0;

void awk_dlinit() {
  if (awk_filehead) return;
  awk_filehead = static_cast<AwkStream*>(spacec(sizeof(AwkStream)));
  awk_filehead->next = awk_filehead->prev = awk_filehead;
}

void awk_dllink(AwkStream* r) {
  r->prev = awk_filehead;
  r->next = awk_filehead->next;
  awk_filehead->next->prev = r;
  awk_filehead->next = r;
}

void awk_dlunlink(AwkStream* r) {
  r->prev->next = r->next;
  r->next->prev = r->prev;
  r->next = r->prev = nullptr;
}

int awk_isatty(int fd) { return isatty(fd); }

int awk_isdev(int fd) {
  struct stat st;
  return fstat(fd, &st) == 0 && S_ISCHR(st.st_mode);
}

int awk_getfilemode(const char* path, uint16_t* mode) {
  struct stat st;
  if (stat(path, &st) != 0) return -1;
  *mode = uint16_t(st.st_mode);
  return 0;
}

int awk_fileaccess(const char* path, int amode) { return access(path, amode); }

void awk_setfileid(Cell* c, AwkStream* r) {
  c->tag = Tag::FileId;
  c->w.word = 0;
  c->w.f = r;
  if (r && r->refs) ++r->refs;
}

// Builds a record around fp (not linked). Character devices keep the C
// library's buffering and are flushed after each statement; any other
// stream gets a private fully-buffered BUFSIZE buffer when `buffered` is
// set. BUFSIZE is normalised in place (at least 256, low 16 bits); a value
// that reduces to 0 leaves the library's default buffering.
AwkStream* awk_newsf(uint16_t omode, FILE* fp, const AwkString* name, uint16_t flags,
                     int buffered) {
  auto* r = static_cast<AwkStream*>(spacec(sizeof(AwkStream)));
  r->refs = (flags & SF_STD) ? kStdStreamRefs : 0;
  r->omode = omode;
  r->name = stringCopy(name);
  r->flags = flags;
  r->fp = fp;
  if (fp) awk_sfbuffer(r, buffered);
  return r;
}

void awk_sfbuffer(AwkStream* r, int buffered) {
  int fd = fileno(r->fp);
  if (awk_isdev(fd)) {
    r->flags |= SF_DEVICE | SF_FLUSHEACH;
    if (awk_isatty(fd)) r->flags |= SF_TTY;
  } else if (buffered) {
    awk_sfownbuf(r);
  }
}

void awk_sfownbuf(AwkStream* r) {
  if (awk_bufsize < 256) awk_bufsize = 256;
  awk_bufsize &= 0xFFFF;
  if (awk_bufsize <= 0) return;
  // The buffer starts on a page boundary: the system copies a read into
  // page-aligned memory much faster (a third of the system time for a
  // file read 4096 bytes at a time). buf keeps the block for spfree.
  constexpr uintptr_t kPage = 4096;
  r->buf = static_cast<char*>(space(awk_bufsize + int32_t(kPage) - 1));
  const uintptr_t start = (reinterpret_cast<uintptr_t>(r->buf) + kPage - 1) & ~(kPage - 1);
  awk_sfsetbuf(r->fp, reinterpret_cast<char*>(start), size_t(awk_bufsize));
}

AwkStream* awk_newsf(uint16_t omode, FILE* fp, const char* name, uint16_t flags, int buffered) {
  AwkString* s = stringNew(name);
  AwkStream* r = awk_newsf(omode, fp, s, flags, buffered);
  stringFree(s);
  return r;
}

// Opens path with the host flags (the append bit only positions the stream
// at the end once) and wraps the descriptor in a stdio stream. Null on
// failure, with errno from the failing call.
FILE* awk_openfp(const char* path, uint16_t omode, uint16_t /*share*/, uint16_t flags) {
  const char* fmode = awk_fmodestr(omode);
  int fd = open(path, omode & ~O_APPEND, 0600);
  if (fd < 0) return nullptr;
  if (flags & SF_NOINHERIT) fcntl(fd, F_SETFD, FD_CLOEXEC);
  FILE* fp = fdopen(fd, fmode);
  if (!fp) {
    int e = errno;
    close(fd);
    errno = e;
    return nullptr;
  }
  if (omode & O_APPEND) fseek(fp, 0, SEEK_END);
  return fp;
}

static bool stringyIs(const Cell* c, const AwkString* s) {
  return cellIsStringy(c) && c->w.s->len == s->len &&
         std::memcmp(c->w.s->text(), s->text(), s->len) == 0;
}

// Opens a named file and lists it; null on failure (reported as gflags and
// the errno ask). "-" read implicitly means what the `stdin` variable
// designates. A name with a NUL byte cannot name a host file and fails.
AwkStream* awk_openfile(const AwkString* name, uint16_t omode, uint16_t share, uint16_t flags,
                        int gflags) {
  if (!(flags & SF_EXPLICIT) && omode == 0 && name->len == 1 && name->text()[0] == '-') {
    if (stringyIs(awk_stdin, awk_dashstr)) return awk_stdinsf;
    return awk_getsf(awk_stdin, 0, "stdin", GETSF_OPEN | GETSF_CHECKDIR);
  }
  if ((gflags & GETSF_OPEN) && omode == 0 && awk_filemodecell) {
    AwkString* fm = awk_a2s(awk_filemodecell);
    if (fm->len) {
      omode = uint16_t(awk_parsemode(fm->text(), &flags, &share, 0, "FILEMODE"));
      if ((omode & O_ACCMODE) == O_WRONLY) {
        stringFree(fm);
        oops('f', "invalid FILEMODE");
        return nullptr;
      }
    }
    stringFree(fm);
  }
  FILE* fp = nullptr;
  if (std::memchr(name->text(), 0, name->len)) {
    errno = ENOENT;
  } else {
    // Out of descriptors: park older output files until the open succeeds.
    while (!(fp = awk_openfp(name->text(), omode, share, flags)) &&
           (errno == EMFILE || errno == ENFILE) && awk_parkone(nullptr)) {
    }
  }
  if (fp) {
    AwkStream* r = awk_newsf(omode, fp, name, flags, 1);
    r->share = share;
    awk_dllink(r);
    return r;
  }
  if (errno == EMFILE) {
    awk_oof();
  } else if (gflags & GETSF_REPORT) {
    oops('w', "Can not open file: \"%s\"", name->text());
  }
  return nullptr;
}

// Names compare exactly: "Report.txt" and "report.txt" are two files here.
static bool sfnameeq(const AwkString* a, const AwkString* b) {
  return a->len == b->len && std::memcmp(a->text(), b->text(), a->len) == 0;
}

static bool nameIs(const AwkString* s, const char* text) {
  return s->len == std::strlen(text) && std::memcmp(s->text(), text, s->len) == 0;
}

// The standard record that an output name designates, or null.
static AwkStream* standardOutput(const AwkString* name) {
  if (nameIs(name, "-") || nameIs(name, "/dev/stdout")) return awk_stdoutrec;
  if (nameIs(name, "/dev/stderr")) return awk_stderrrec;
  return nullptr;
}

// Newest listed record whose name matches; reaps unreferenced orphans met
// on the way.
AwkStream* awk_findsf(const AwkString* name, int include_pipes) {
  for (AwkStream* r = awk_filehead->next; r != awk_filehead;) {
    AwkStream* next = r->next;
    if (!r->name) {
      if (r->refs == 0) awk_sfclose(r, 2);
    } else if ((include_pipes || !(r->flags & SF_PIPE)) && sfnameeq(r->name, name)) {
      return r;
    }
    r = next;
  }
  return nullptr;
}

bool awk_isopen(const AwkString* name) {
  AwkStream* r = awk_findsf(name, 0);
  return r && !(r->flags & SF_DEVICE);
}

static const char* sfname(const AwkStream* r) { return r->name ? r->name->text() : ""; }

// Resolves a file name or fileid to a record, opening, checking direction
// and reporting as gflags ask. Null when there is no usable stream.
AwkStream* awk_getsf(Cell* cell, uint16_t omode, const char* caller, int gflags) {
  switch (cell->tag) {
    case Tag::String: case Tag::Field: case Tag::VmString: case Tag::VmField: {
      AwkString* name = cell->w.s;
      if ((omode & O_ACCMODE) != O_RDONLY)
        if (AwkStream* standard = standardOutput(name)) return standard;
      AwkStream* r = awk_findsf(name, gflags & GETSF_PIPES);
      if (r) {
        if (!(gflags & GETSF_CHECKDIR) || awk_sfmodeok(r, omode)) return r;
        if (r->flags & SF_EXPLICIT) {
          oops('e', "%s: file \"%s\" is open for %s only", caller, sfname(r), awk_sfmodename(r));
          return nullptr;
        }
        if (!(r->flags & SF_DEVICE))
          oops('w', "%s: Automatically closing file \"%s\" previously open for %s", caller,
               sfname(r), awk_sfmodename(r));
        awk_sfclose(r, 1);
      }
      if (!(gflags & GETSF_OPEN)) return nullptr;
      return awk_openfile(name, omode, 0, 0, gflags);
    }
    case Tag::FileId: {
      AwkStream* r = cell->w.f;
      if (!r) {
        if (!(gflags & GETSF_QUIET)) oops('w', "%s: file is not open", caller);
        return nullptr;
      }
      if (!(gflags & GETSF_OPEN) || awk_sfmodeok(r, omode)) return r;
      oops('e', "%s: file \"%s\" is open for %s only", caller, sfname(r), awk_sfmodename(r));
      return nullptr;
    }
    default:
      oops('e', "%s: invalid file%s argument", caller, (gflags & GETSF_REDIR) ? " redirection" : "");
      return nullptr;
  }
}

// Exit status of a pipe as the program sees it: the wait status with its two
// low bytes exchanged, so a normal exit yields the exit code.
static int16_t pipestatus(int st) {
  return int16_t(((st & 0xFF) << 8) | ((st >> 8) & 0xFF));
}

// Closes r: how 0 keeps the record and its name (end of input), 1 and 2
// close it for good (implicitly / explicitly). Returns the pipe's status,
// 0 for a file, -1 when nothing was closed (explicit stream closed
// implicitly, standard stream).
int awk_sfclose(AwkStream* r, int how) {
  if (!r) awk_assert2(0x6102);
  if (how < 2 && (r->flags & SF_EXPLICIT)) return -1;
  if (r->flags & SF_STD) {
    if (r->fp) clearerr(r->fp);
    return -1;
  }
  if (r->fp) {
    if (r->flags & SF_PIPE) {
      // Written out here, a last buffer that cannot be delivered (the
      // command no longer reads) is dropped, so pclose reports the
      // command's status rather than the failed write.
      awk_sfsync(r->fp);
      r->status = pipestatus(pclose(r->fp));
    } else {
      int err = awk_sfsync(r->fp) != 0 ? errno : 0;
      r->closepos = ftell(r->fp);
      r->status = ferror(r->fp) ? 1 : 0;
      // The last buffer is written by fclose; a failure there is an I/O
      // error of the file as much as an earlier one.
      if (fclose(r->fp) != 0) {
        if (!err) err = errno;
        r->status = 1;
      }
      if (r->status && (r->omode & O_ACCMODE) != O_RDONLY)
        awk_sfwritefailed(r, err ? err : r->lasterr);
    }
    r->fp = nullptr;
  }
  if (r->buf) {
    spfree(r->buf);
    r->buf = nullptr;
  }
  // A file whose output was lost closes with -1.
  int result = (r->flags & SF_PIPE) ? r->status : (r->flags & SF_ERRSEEN) ? -1 : 0;
  if (how) {
    if (awk_datasf == r) awk_datasf = nullptr;
    stringFree(r->name);
    r->name = nullptr;
    if (r->refs <= 0) {
      awk_dlunlink(r);
      spfree(r);
    } else {
      r->flags |= SF_ORPHAN;
    }
  }
  return result;
}

void awk_sfflush(AwkStream* r) {
  if (r->fp && r->lastop == 'w') awk_sfsync(r->fp);
}

void awk_sfwriting(AwkStream* r) {
  if (r->lastop == 'r') fseek(r->fp, 0, SEEK_CUR);
  r->lastop = 'w';
}

void awk_sfreading(AwkStream* r) {
  if (r->lastop == 'w') {
    awk_sfsync(r->fp);
    fseek(r->fp, 0, SEEK_CUR);
  }
  r->lastop = 'r';
}

void awk_closeall() {
  awk_sfsync(stdout);
  if (!awk_filehead) return;
  for (AwkStream* r = awk_filehead->next; r != awk_filehead;) {
    AwkStream* next = r->next;
    awk_sfclose(r, 2);
    r = next;
  }
}

void awk_abandonpipes() {
  if (!awk_filehead) return;
  for (AwkStream* r = awk_filehead->next; r != awk_filehead; r = r->next) {
    if ((r->flags & SF_PIPE) && r->fp) {
      pclose(r->fp);
      r->fp = nullptr;
      if (r->buf) {
        spfree(r->buf);
        r->buf = nullptr;
      }
    }
  }
}

void awk_flushall(int abandon) {
  awk_sfsync(stdout);
  awk_sfsync(stderr);
  if (abandon) awk_abandonpipes();
  if (!awk_filehead) return;
  for (AwkStream* r = awk_filehead->next; r != awk_filehead; r = r->next)
    if (!(r->flags & SF_PIPE) && r->fp) awk_sfflush(r);
}

// Streams are written byte for byte on this host; only a host that
// translates line ends would need work here.
void awk_setmode(int /*fd*/) {
  if (awk_binmode) awk_assert2(0x6103);
}

void awk_setmodeall() {
  awk_sfsync(stdout);
  awk_sfsync(stderr);
  for (int fd = 0; fd <= 2; ++fd) awk_setmode(fd);
  if (!awk_filehead) return;
  for (AwkStream* r = awk_filehead->next; r != awk_filehead; r = r->next) {
    if (r->fp && !(r->flags & (SF_BINARY | SF_TEXT))) {
      awk_sfflush(r);
      awk_setmode(fileno(r->fp));
    }
  }
}
