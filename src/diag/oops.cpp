// Diagnostics. Every message of the run-time is assembled here: a first
// line of program name, severity word and location pieces, kept within 517
// characters by dropping whole pieces that would not fit, then the message
// text, which is never cut. A line longer than 78 columns is continued on a
// second line indented by five blanks. The warnings level filters W, A and
// N messages; E, F and I end the run through termination processing. A
// located note is shown once per program place (noteonce.h); warnings and
// errors keep their per-record location.
//
// oops() is not re-entered for its own work: the text is formatted by the
// printf engine's C-argument face, which reports nothing itself for the
// run-time's own (well-formed) formats, and the location uses no
// allocator-dependent path when a message is raised while another is being
// written.
#include "diag/oops.h"

#include <unistd.h>

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "diag/noteonce.h"
#include "diag/termhook.h"

int awk_warnings = 7;
const char* _progname = "vrun";
int awk_debuge = 0;
AwkDiagHooks awk_diaghooks = {};
void (*awk_exithook)(int status) = nullptr;

namespace {

constexpr int kPrefixMax = 517;
constexpr int kWrapColumn = 78;
constexpr char kLineSep[] = "\n";

char prefix[kPrefixMax + 1];
int prefixLen;
int depth;  // > 0 while a message is being written

// Appends one formatted piece to the prefix, or nothing when the piece
// would make the first line longer than kPrefixMax.
[[gnu::format(printf, 1, 2)]] void appendPiece(const char* fmt, ...) {
  char piece[kPrefixMax + 1];
  va_list ap;
  va_start(ap, fmt);
  int n = vsnprintf(piece, sizeof piece, fmt, ap);
  va_end(ap);
  if (n < 0 || prefixLen + n > kPrefixMax) return;
  std::memcpy(prefix + prefixLen, piece, size_t(n) + 1);
  prefixLen += n;
}

// The message text, formatted by the run-time's own printf engine. Returns
// its length; *out is `small` or a larger area the caller frees. The engine
// drops a piece whole when it would overrun its budget, so the text is
// formatted into an area large enough for any message the run-time makes
// (file names and record excerpts included); only when that area cannot be
// had does it fall back to `small`.
int formatWith(const char* format, va_list ap, char* out, int size) {
  if (awk_diaghooks.format) return awk_diaghooks.format(format, ap, out, size);
  int n = std::vsnprintf(out, size_t(size), format, ap);
  return n < 0 ? 0 : n >= size ? size - 1 : n;
}

int formatText(char* small, int smallSize, char** out, const char* format, va_list ap) {
  constexpr int kTextArea = 1 << 20;
  if (char* big = static_cast<char*>(std::malloc(kTextArea))) {
    *out = big;
    return formatWith(format, ap, big, kTextArea);
  }
  *out = small;
  return formatWith(format, ap, small, smallSize);
}

}  // namespace

int voops(int code, const char* format, va_list ap) {
  int upper = std::toupper(code & 0xFF);
  awk_term_suspend();
  if ((upper == 'N' && !(awk_warnings & 4)) || (upper == 'W' && !(awk_warnings & 1)) ||
      (upper == 'A' && !(awk_warnings & 2)))
    return code;
  if (code == 'n' && awk_note_repeated(format)) return code;

  std::fflush(stdout);
  std::fflush(stderr);
  ++depth;
  prefixLen = 0;
  prefix[0] = 0;
  appendPiece("%s: ", _progname);

  enum class End { No, WithExitFunction, WithoutExitFunction } end = End::No;
  switch (upper) {
    case 'A': case 'W': appendPiece("warning"); break;
    case 'D': appendPiece("error"); break;
    case 'E':
      appendPiece("error");
      if (!awk_debuge) end = End::WithExitFunction;
      break;
    case 'F': appendPiece("fatal error"); end = End::WithoutExitFunction; break;
    case 'I': appendPiece("internal error"); end = End::WithoutExitFunction; break;
    case 'M': break;
    case 'N': appendPiece("note"); break;
    default:
      std::fputs("internal error (oops)\r\n", stderr);
      --depth;
      awk_exit(2, 0);
  }
  if (std::islower(code & 0xFF) && awk_diaghooks.where) awk_diaghooks.where(code, depth > 1, appendPiece);
  if (code != 'M') appendPiece(": ");

  char small[320];
  char* text;
  int textLen = formatText(small, sizeof small, &text, format, ap);

  std::fwrite(prefix, 1, size_t(prefixLen), stderr);
  if (prefixLen + textLen > kWrapColumn) {
    std::fputs(kLineSep, stderr);
    std::fputs("     ", stderr);
  }
  std::fwrite(text, 1, size_t(textLen), stderr);
  std::fputs(kLineSep, stderr);
  std::fflush(stderr);
  if (text != small) std::free(text);
  --depth;

  switch (end) {
    case End::WithExitFunction: awk_exit(2, 1);
    case End::WithoutExitFunction: awk_exit(2, 0);
    case End::No: break;
  }
  return code;
}

void awk_exit(int status, int doterm) {
  if (awk_diaghooks.terminate) status = awk_diaghooks.terminate(doterm, status);
  if (awk_exithook) awk_exithook(status);
  std::exit(status);
}

int oops(int code, const char* format, ...) {
  va_list ap;
  va_start(ap, format);
  int r = voops(code, format, ap);
  va_end(ap);
  return r;
}

void awk_nomemory() {
  // Reporting needs a little memory; a second failure on the way gives up
  // with a fixed message.
  static bool reporting = false;
  if (reporting) {
    static const char text[] = "out of memory\n";
    (void)!write(2, text, sizeof text - 1);
    _exit(2);
  }
  reporting = true;
  awk_oom(2);
}

void awk_oom(int n) {
  oops('F', "out of memory (%d)", n);
  awk_exit(2, 0);  // not reached: F ends the run
}

void awk_assert2(int n) {
  oops('I', "#%xH (please call Corvale Automation with this number)", unsigned(n));
  awk_exit(2, 0);
}

void awk_oof() { oops('w', "Out of file handles; use close() to close some files or pipes."); }

void awk_oopsinvarg(const char* name) { oops('w', "invalid argument to %s", name); }

int awk_oopscoded(const char* coded, const char* format) {
  if (!coded || !coded[0]) return 0;
  const char* text = coded[1] == ':' ? coded + 2 : coded + 1;
  return oops(coded[0], format, text);
}
