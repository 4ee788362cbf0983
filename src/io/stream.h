// The stream table: one record per file, pipe, adopted descriptor or
// standard stream that the program reads or writes.
//
// Records opened by name live on a circular doubly linked list with a
// zero-filled sentinel head (awk_filehead); new records go right after the
// head, so a walk from head->next meets the newest first. The three standard
// records are not listed: they are reached through the AWK globals stdin,
// stdout and stderr. A fileid cell points at a record; `refs` counts such
// cells only when it is already nonzero (records opened implicitly by name
// stay at 0, fopen/fdopen start at 1, standard streams hold 10000).
#pragma once
#include <fcntl.h>

#include <cstdint>
#include <cstdio>

#include "values/cell.h"
#include "values/strobj.h"

struct AwkStream {
  int16_t refs;          // must stay first: cells see it as the use count
  AwkStream* next;
  AwkStream* prev;
  AwkString* name;       // null once closed for good while still referenced
  uint16_t omode;        // host open flags; access mode in the low two bits
  uint16_t share;        // share bits of the `d` mode option (recorded only)
  FILE* fp;              // null once closed
  char* buf;             // private stdio buffer, or null
  uint16_t flags;        // SF_* bits
  int64_t closepos;      // ftell() taken just before close
  int16_t status;        // after close: pipe exit status, or file error bit
  int16_t lastop;        // 'r', 'w' or 0
  int lasterr;           // errno of the last failed write, 0 if none
  uint64_t lastuse;      // output clock at the last write (parking order)
};

// Flag bits of AwkStream::flags.
inline constexpr uint16_t SF_TTY = 0x0001;
inline constexpr uint16_t SF_DEVICE = 0x0002;
inline constexpr uint16_t SF_PARKED = 0x0004;   // output file closed for a descriptor
inline constexpr uint16_t SF_STD = 0x0010;
inline constexpr uint16_t SF_EXPLICIT = 0x0020;
inline constexpr uint16_t SF_ORPHAN = 0x0040;
inline constexpr uint16_t SF_PIPE = 0x0080;
inline constexpr uint16_t SF_BINARY = 0x0100;
inline constexpr uint16_t SF_TEXT = 0x0200;
inline constexpr uint16_t SF_FLUSHEACH = 0x0400;
inline constexpr uint16_t SF_ERRSEEN = 0x0800;
inline constexpr uint16_t SF_NOINHERIT = 0x1000;
inline constexpr uint16_t SF_HFLAG = 0x2000;
inline constexpr uint16_t SF_SOCKET = 0x4000;
inline constexpr uint16_t SF_FILEPTR = 0x8000;

inline constexpr int16_t kStdStreamRefs = 10000;

// Open flags (omode). The host's own values; all fit in 16 bits.
inline constexpr uint16_t kOpenAccess = O_ACCMODE;  // 0 read, 1 write, 2 read-write
inline constexpr uint16_t kOpenRead = O_RDONLY;
inline constexpr uint16_t kOpenWrite = O_WRONLY;
inline constexpr uint16_t kOpenReadWrite = O_RDWR;
inline constexpr uint16_t kOpenCreate = O_CREAT;
inline constexpr uint16_t kOpenTrunc = O_TRUNC;
inline constexpr uint16_t kOpenAppend = O_APPEND;
inline constexpr uint16_t kOpenExcl = O_EXCL;
static_assert(((O_CREAT | O_TRUNC | O_APPEND | O_EXCL | O_ACCMODE) & ~0xFFFF) == 0,
              "open flags must fit the 16-bit omode");

// gflags of awk_getsf.
inline constexpr int GETSF_PIPES = 1;
inline constexpr int GETSF_OPEN = 2;
inline constexpr int GETSF_REPORT = 4;
inline constexpr int GETSF_CHECKDIR = 8;
inline constexpr int GETSF_REDIR = 16;
inline constexpr int GETSF_QUIET = 32;

// Module state.
extern AwkStream* awk_filehead;   // sentinel head of the stream list
extern Cell* awk_stdin;           // the AWK global `stdin`
extern Cell* awk_stdout;          // the AWK global `stdout`
extern Cell* awk_rsm;             // the AWK global `RSM` (record reader)
extern Cell* awk_filemodecell;    // the AWK global `FILEMODE`
extern AwkStream* awk_stdinsf;    // the standard input record ("-" reads it)
extern AwkStream* awk_stdoutrec;  // the standard output record ("-", "/dev/stdout" write it)
extern AwkStream* awk_stderrrec;  // the standard error record ("/dev/stderr" writes it)
extern AwkString* awk_dashstr;    // "-"
extern AwkString* awk_nlstr;      // "\n"
extern AwkStream* awk_datasf;     // current main-input file, or null
extern int awk_stdouttty;         // SF_TTY of the stdout record at start-up
extern int awk_stderrtty;         // SF_TTY of the stderr record at start-up
extern int32_t awk_bufsize;       // BUFSIZE; applied at the next open
extern int32_t awk_binmode;       // line-end translation; always 0 here

// Start-up: list head, the three standard records and their AWK globals.
// The number a fileid value reads as: its descriptor plus one, 0 when closed.
int32_t awk_fileidnum(const AwkStream* f);

void awk_initio();
// The same over explicitly given global cells (awk_initio passes the
// program's; tests pass their own).
void awk_initio_cells(Cell* rsm, Cell* in, Cell* out, Cell* err, Cell* filemode);

// List primitives.
void awk_dlinit();
void awk_dllink(AwkStream* r);     // insert right after the head
void awk_dlunlink(AwkStream* r);

// Constructor; the record is not linked.
AwkStream* awk_newsf(uint16_t omode, FILE* fp, const AwkString* name, uint16_t flags,
                     int buffered);
AwkStream* awk_newsf(uint16_t omode, FILE* fp, const char* name, uint16_t flags,
                     int buffered);
FILE* awk_openfp(const char* path, uint16_t omode, uint16_t share, uint16_t flags);
AwkStream* awk_openfile(const AwkString* name, uint16_t omode, uint16_t share, uint16_t flags,
                        int gflags);
AwkStream* awk_findsf(const AwkString* name, int include_pipes);
AwkStream* awk_getsf(Cell* cell, uint16_t omode, const char* caller, int gflags);
int awk_sfclose(AwkStream* r, int how);
void awk_sfflush(AwkStream* r);
void awk_closeall();
void awk_flushall(int abandon);
void awk_abandonpipes();
void awk_setmodeall();
void awk_setmode(int fd);

bool awk_sfmodeok(const AwkStream* r, uint16_t omode);
const char* awk_sfmodename(const AwkStream* r);
const char* awk_fmodestr(uint16_t omode);   // "r", "w", "r+"
int awk_parsemode(const char* text, uint16_t* flags, uint16_t* share, int count,
                  const char* caller);

// Flushing that survives interrupted writes (sfsync.cpp): awk_sfsync is
// fflush with the pending bytes written and retried after EINTR.
// The put-area accessors are in io/sfbuf.h.
int awk_sfsync(FILE* fp);
void awk_sfsetbuf(FILE* fp, char* buf, size_t size);   // setvbuf, fully buffered

// Direction switches (keep "r+" streams correct under stdio).
void awk_sfwriting(AwkStream* r);   // before output
void awk_sfreading(AwkStream* r);   // before input

// Output failures (outerr.cpp): a failed write is reported once per stream
// with the system's reason and makes the final status fail.
extern int awk_outputfailed;                  // some output was lost
void awk_sfwritefailed(AwkStream* r, int err);
int awk_outputstatus();                       // flushes stdout/stderr; awk_outputfailed

// Output files past the descriptor limit (park.cpp): the least recently
// written one is closed ("parked") and reopened for appending when it is
// written again.
void awk_sfused(AwkStream* r);                // r is being written: newest use
bool awk_parkone(const AwkStream* except);    // false: nothing to park
bool awk_unpark(AwkStream* r);                // false: reported, output lost
void awk_sfbuffer(AwkStream* r, int buffered);  // buffering of a new fp (awk_newsf)
void awk_sfownbuf(AwkStream* r);   // a private BUFSIZE buffer for r's fp (not a device)

// Thin host wrappers.
bool awk_isopen(const AwkString* name);
int awk_isatty(int fd);
int awk_isdev(int fd);
int awk_getfilemode(const char* path, uint16_t* mode);
int awk_fileaccess(const char* path, int amode);

// Stores a fileid of r (null: a fileid that refers to no stream) into c,
// taking a reference when the record is counted. c's old value is not
// released.
void awk_setfileid(Cell* c, AwkStream* r);

// Builtin slot 47: __pipeopen(cmd, dir).
void b___pipeopen(int argc, Cell* args);
