// Mode strings ("r", "w+", "ab", "rdw", ...) of fopen, fdopen and FILEMODE,
// and the direction rules between a stream and a wanted access mode.
//
// The open flags are the host's own O_* values; only the access mode in the
// two low bits (0 read, 1 write, 2 read-write) is compared across streams.
#include <cstring>

#include "io/stream.h"
#include "diag/oops.h"

// Parses a mode string; returns the open flags and adds option bits to
// *flags and the share selection to *share. A malformed text is reported
// ("invalid <caller> argument") once, after the whole text was read, and what
// was gathered is still returned. `count` is the number of access letters
// already seen.
int awk_parsemode(const char* text, uint16_t* flags, uint16_t* share, int count,
                  const char* caller) {
  int omode = 0;
  bool bad = text == nullptr || text[0] == '\0' || std::strchr("rwa", text[0]) == nullptr;
  for (const char* p = text ? text : ""; *p; ++p) {
    switch (*p) {
      case 'r': ++count; omode = O_RDONLY; break;
      case 'w': ++count; omode = O_WRONLY | O_CREAT | O_TRUNC; break;
      case 'a': ++count; omode = O_WRONLY | O_APPEND | O_CREAT; break;
      case '+': omode = (omode & ~O_ACCMODE) | O_RDWR; break;
      case 'e': omode |= O_EXCL; break;
      case 'b': *flags |= SF_BINARY; break;
      case 't': *flags |= SF_TEXT; break;
      case 'f': *flags |= SF_FLUSHEACH; break;
      case 'n': *flags |= SF_NOINHERIT; break;
      case 'h': case 'H': *flags |= SF_HFLAG; break;
      case 'S': *flags |= SF_SOCKET; break;
      case 'F': *flags |= SF_FILEPTR; break;
      case 'd':
        switch (p[1]) {
          case '+': *share = 0x10; ++p; break;
          case 'w': *share = 0x20; ++p; break;
          case 'r': *share = 0x30; ++p; break;
          case 'n': *share = 0x40; ++p; break;
          default: bad = true; if (p[1]) ++p; break;   // never step past the NUL
        }
        break;
      default: bad = true; break;
    }
  }
  if (count != 1 || ((*flags & SF_BINARY) && (*flags & SF_TEXT))) bad = true;
  if (bad) oops('e', "invalid %s argument", caller);
  return omode;
}

// The fdopen mode for an access mode; any other value is an internal fault.
const char* awk_fmodestr(uint16_t omode) {
  switch (omode & O_ACCMODE) {
    case O_RDONLY: return "r";
    case O_WRONLY: return "w";
    case O_RDWR: return "r+";
  }
  awk_assert2(0x6101);
}

bool awk_sfmodeok(const AwkStream* r, uint16_t omode) {
  int have = r->omode & O_ACCMODE, want = omode & O_ACCMODE;
  return have == O_RDWR || want == O_RDWR || have == want;
}

const char* awk_sfmodename(const AwkStream* r) {
  return (r->omode & O_ACCMODE) ? "writing" : "reading";
}
