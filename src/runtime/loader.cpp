// Finding and reading the program image.
//
// A stand-alone run-time reads the .ae file named on its command line; a
// bound executable (its marker no longer reads "X1X2") reads the image from
// its own tail, located through the 4-byte trailer. The root record and the
// segments are read whole into writable memory and stay there for the run;
// vorn's image, compiled in memory, is used where it lies.
// vm_open checks only lengths and the shape of the segment table;
// awk_validaefile checks the identification, the build stamp and, once per
// load, the whole image (verify.cpp).
#include "runtime/loader.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "io/globals.h"
#include "diag/oops.h"
#include "program/symtab.h"
#include "values/alloc.h"

using namespace vorn::image;

// Initialised data that a binding tool patches; kept even though nothing
// but awk_isbound reads it.
[[gnu::used]] volatile char awk_bindmarker[12] = {'X', '1', 'X', '2', 'X', '3',
                                                  'X', '4', 'X', 0,   0,   0};

char awk_progpath[260];
int awk_imageopened = 0;

namespace {

bool segTableBad;        // count above 600 or a negative size: refused
bool segmentsBorrowed;   // the segments lie in the caller's buffer, not in blocks
int segmentsHeld;        // entries of the segment tables the last load may have set
bool imagePrepared;      // the one-time preparation ran on this load
bool imageAccepted;      // ... and succeeded

constexpr int kPathWork = 300;

// Reads exactly n bytes; false on a short read or an error.
bool readFully(int fd, void* buf, size_t n) {
  auto* p = static_cast<unsigned char*>(buf);
  while (n > 0) {
    ssize_t r = read(fd, p, n);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    p += r;
    n -= size_t(r);
  }
  return true;
}

// Only the entries a load set: the tables have room for the most segments
// an image may have, which a small program's start would walk for nothing.
void dropSegments() {
  for (int n = 0; n < segmentsHeld; ++n) {
    if (awk_segbase[n] && !segmentsBorrowed) spfree(awk_segbase[n]);
    awk_segbase[n] = nullptr;
    awk_segsize[n] = 0;
  }
  segmentsHeld = 0;
}

bool endsWithAe(const char* path) {
  size_t len = std::strlen(path);
  return len >= 4 && strcasecmp(path + len - 3, ".ae") == 0;
}

[[noreturn]] void fatalClose(int fd, const char* format, const char* path) {
  if (fd >= 0) close(fd);
  oops('F', format, path);
  std::abort();  // not reached: F ends the run
}

}  // namespace

bool awk_isbound() {
  return !(awk_bindmarker[0] == 'X' && awk_bindmarker[1] == '1' && awk_bindmarker[2] == 'X' &&
           awk_bindmarker[3] == '2');
}

namespace {

// Where the root record and the segments come from: an open file, or an
// image already in memory (vorn's, compiled in this process). An image in
// memory is borrowed: its segments are used where they lie, since copying
// them would only fill fresh pages with the same bytes.
struct ImageSource {
  int fd = -1;
  unsigned char* mem = nullptr;
  size_t left = 0;

  // The next n bytes where they lie in memory, or null when fewer are left.
  unsigned char* take(size_t n) {
    if (n > left) return nullptr;
    unsigned char* p = mem;
    mem += n;
    left -= n;
    return p;
  }
  bool read(void* buf, size_t n) {
    if (fd >= 0) return readFully(fd, buf, n);
    const unsigned char* p = take(n);
    if (p) std::memcpy(buf, p, n);
    return p != nullptr;
  }
};

// Reads the root record and the segments; a failure to read the root or
// segment 0 ends the run with `path` in the message.
void loadSegments(ImageSource& src, const char* path) {
  if (!src.read(rootbuf, kRootSize)) fatalClose(src.fd, "(3) error reading file %s", path);

  dropSegments();
  segmentsBorrowed = src.fd < 0;
  imagePrepared = imageAccepted = false;
  uint32_t count = be32(rootbuf + root::kSegmentCount);
  segTableBad = count > uint32_t(kMaxSegments);
  for (uint32_t n = 0; !segTableBad && n < count; ++n)
    if (int16_t(be16(rootbuf + root::kSegmentSizes + 2 * n)) < 0) segTableBad = true;
  if (segTableBad) return;
  segmentsHeld = int(count);
  for (uint32_t n = 0; n < count; ++n) {
    int size = int16_t(be16(rootbuf + root::kSegmentSizes + 2 * n));
    if (size == 0) continue;
    unsigned char* seg;
    if (segmentsBorrowed) {
      seg = src.take(size_t(size));
    } else {
      seg = static_cast<unsigned char*>(space(size));
      if (!src.read(seg, size_t(size))) {
        spfree(seg);
        seg = nullptr;
      }
    }
    if (!seg) {
      if (n == 0) fatalClose(src.fd, "(3) error reading file %s", path);
      break;  // this and later segments stay absent
    }
    awk_segbase[n] = seg;
    awk_segsize[n] = size;
  }
}

}  // namespace

int vm_open(const char* path) {
  int fd = open(path, O_RDONLY);
  if (fd < 0) return 0;
  if (!endsWithAe(path)) {
    off_t end = lseek(fd, -kTrailerSize, SEEK_END);
    if (end < 0) fatalClose(fd, "invalid awk executable file: %s", path);
    unsigned char trailer[kTrailerSize] = {};
    (void)!read(fd, trailer, sizeof trailer);  // a bad trailer fails below
    off_t start = end - off_t(be32(trailer));
    if (start < 0 || lseek(fd, start, SEEK_SET) < 0)
      fatalClose(fd, "(2) invalid awk executable file: %s", path);
  }
  ImageSource src;
  src.fd = fd;
  loadSegments(src, path);
  close(fd);
  return 1;
}

void vm_borrowimage(unsigned char* image, size_t size, const char* name) {
  ImageSource src;
  src.mem = image;
  src.left = size;
  loadSegments(src, name);
}

int awk_openprog(const char* dir, const char* name, const char* ext) {
  char path[sizeof awk_progpath];
  size_t dirLen = std::strlen(dir), nameLen = std::strlen(name), extLen = std::strlen(ext);
  bool slash = dirLen > 0 && dir[dirLen - 1] != '/';
  size_t len = dirLen + (slash ? 1 : 0) + nameLen;
  if (len >= sizeof path) return 0;  // would not fit: not a candidate
  std::memcpy(path, dir, dirLen);
  size_t at = dirLen;
  if (slash) path[at++] = '/';
  std::memcpy(path + at, name, nameLen + 1);
  const char* lastSlash = std::strrchr(path, '/');
  if (!std::strchr(lastSlash ? lastSlash : path, '.')) {
    if (len + extLen >= sizeof path) return 0;
    std::memcpy(path + len, ext, extLen + 1);
  }
  std::memcpy(awk_progpath, path, sizeof path);
  if (!vm_open(awk_progpath)) return 0;
  awk_imageopened = 1;
  return 1;
}

int awk_searchpath(const char* name) {
  const char* env = std::getenv("PATH");
  if (!env) return 0;
  char work[kPathWork];
  std::strncpy(work, env, kPathWork - 1);
  work[kPathWork - 1] = 0;
  for (char* elem = work; elem;) {
    char* colon = std::strchr(elem, ':');
    if (colon) *colon = 0;
    if (*elem && awk_openprog(elem, name, "")) return 1;
    elem = colon ? colon + 1 : nullptr;
  }
  return 0;
}

// A bound executable reads its image from the file the system started,
// never from a file that merely has its name: a bare name is not looked up
// in the current directory, where anyone may have left such a file. Only
// without /proc does the name lead, as the shell resolved it (a path as
// given, a bare name along PATH).
void awk_openself(const char* name) {
  if (vm_open("/proc/self/exe")) {
    char self[sizeof awk_progpath];
    ssize_t n = std::strchr(name, '/') ? -1 : readlink("/proc/self/exe", self, sizeof self - 1);
    if (n > 0) {
      self[n] = 0;
      std::memcpy(awk_progpath, self, size_t(n) + 1);
    } else {
      std::snprintf(awk_progpath, sizeof awk_progpath, "%s", name);
    }
    awk_imageopened = 1;
  } else if (!(std::strchr(name, '/') ? awk_openprog("", name, "") : awk_searchpath(name))) {
    oops('F', "Can not find file %s on PATH", name);
  }
  if (!awk_validaefile()) oops('F', "Invalid or old version awk program file");
}

int awk_validaefile() {
  if (be32(rootbuf + root::kMagic) != kMagic || be32(rootbuf + root::kVersion) != kVersion)
    return 0;
  if (segTableBad) return 0;
  uint32_t stamp = be32(rootbuf + root::kBuildStamp);
  if (awk_buildstamp != 0 && stamp != awk_buildstamp) return 0;
  if (!imagePrepared) {
    imagePrepared = true;
    imageAccepted = awk_prepareimage();
  }
  if (!imageAccepted) return 0;
  awk_buildstamp = stamp;
  return 1;
}

void awk_readroot() {
  awk_miscflags = rootI16(root::kFlags);
  awk_debuge = awk_miscflags & flags::kDebugErrors ? 1 : 0;
  awk_vm_debug = awk_miscflags & flags::kLoaderTrace ? 1 : 0;

  awk_vtransfer();

  awk_modtab = rootU32(root::kModuleTable);
  awk_nmodules = rootI16(root::kModuleCount);

  awk_ngvars = rootI16(root::kGlobalCount);
  awk_globvars = static_cast<Cell*>(spacec(awk_ngvars * int32_t(sizeof(Cell))));

  awk_vargs = rootU32(root::kStoredArgs);

  awk_nfuncs = rootI16(root::kFunctionCount);
  awk_funaddrs = static_cast<unsigned char**>(spacec(awk_nfuncs * int32_t(sizeof(void*))));
  awk_funvaddrs = static_cast<uint32_t*>(spacec(awk_nfuncs * 4));
  if (awk_nfuncs > 0) {
    const unsigned char* table = vm_v2pcode(rootU32(root::kFunctionTable));
    for (int i = 0; i < awk_nfuncs; ++i) {
      uint32_t v = be32(table + 4 * i);
      awk_funvaddrs[i] = v;
      // Code in a segment that was not read fails when it is called.
      if (v != 0 && vm_room(v) > 0) awk_funaddrs[i] = vm_v2pcode(v);
    }
  }

  awk_nexterns = rootI16(root::kExternCount);
  if (awk_nexterns > 0) {
    const unsigned char* table = vm_v2pcode(rootU32(root::kExternTable));
    awk_externtab = static_cast<uint32_t*>(space(awk_nexterns * 4));
    for (int i = 0; i < awk_nexterns; ++i) awk_externtab[i] = be32(table + 4 * i);
  }
}

int awk_opentmp(char* buf) {
  char dir[241] = "";  // at most 240 characters are accepted
  if (awk_tmpdir && awk_tmpdir->len > 0) {
    if (awk_tmpdir->len > 240) oops('F', "TMPDIR directory name too long");
    std::memcpy(dir, awk_tmpdir->text(), awk_tmpdir->len);
    dir[awk_tmpdir->len] = 0;
    if (char* semi = std::strchr(dir, ';')) *semi = 0;
    size_t len = std::strlen(dir);
    if (len > 0 && (dir[len - 1] == '\\' || dir[len - 1] == '/')) dir[len - 1] = 0;
  }
  int pid = getpid();
  int counter = (pid < 0 ? -pid : pid) % 1000;
  int lastErrno = 0;
  for (int attempt = 0; attempt < 26; ++attempt) {
    // The directory separator of this platform is "/".
    if (dir[0])
      std::snprintf(buf, 260, "%s/%s.%03d", dir, "awktmp", counter);
    else
      std::snprintf(buf, 260, "%s.%03d", "awktmp", counter);
    counter = (counter + 1) % 1000;
    if (access(buf, F_OK) == 0) {
      lastErrno = EEXIST;
      continue;
    }
    int fd = open(buf, O_RDWR | O_CREAT | O_EXCL, 0600);
    if (fd >= 0) {
      if (awk_vm_debug) oops('M', "Temporary file %s has been created.", buf);
      return fd;
    }
    lastErrno = errno;
  }
  if (lastErrno == EMFILE) awk_oof();
  oops('F', "Can not create temporary file: '%s'", buf);
  return -1;
}

void awk_vm_reset() {
  dropSegments();
  std::memset(rootbuf, 0, sizeof rootbuf);
  spfree(awk_funaddrs);
  spfree(awk_funvaddrs);
  spfree(awk_externtab);
  spfree(awk_globvars);
  awk_funaddrs = nullptr;
  awk_funvaddrs = nullptr;
  awk_externtab = nullptr;
  awk_globvars = nullptr;
  awk_nfuncs = awk_nexterns = awk_ngvars = awk_nmodules = 0;
  awk_modtab = awk_vargs = awk_buildstamp = 0;
  awk_progpath[0] = 0;
  awk_imageopened = 0;
  segTableBad = imagePrepared = imageAccepted = false;
  awk_symtab_reset();
}
