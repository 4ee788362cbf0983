// File information: filetime, filesize, filemode and stat.
//
// stat copies the host's stat record (x86-64 Linux layout, little-endian,
// 144 bytes), puts the three times into local seconds in place, appends the
// 16-byte file-system type name and decodes the whole record into the
// array with the unpack engine. The 64-bit fields are read by their low
// 32 bits; a value that needs more (a size past 4 GiB, a large inode
// number) is then stored exactly, as a float.
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>

#include "arrays/table.h"
#include "builtins/btable.h"
#include "builtins/caltime.h"
#include "builtins/fsargs.h"
#include "builtins/pack.h"
#include "io/stream.h"
#include "diag/oops.h"

namespace {

#if defined(__x86_64__) && defined(__linux__)
static_assert(sizeof(struct stat) == 144 && offsetof(struct stat, st_nlink) == 16 &&
                  offsetof(struct stat, st_mode) == 24 && offsetof(struct stat, st_rdev) == 40 &&
                  offsetof(struct stat, st_size) == 48 && offsetof(struct stat, st_blksize) == 56 &&
                  offsetof(struct stat, st_blocks) == 64 && offsetof(struct stat, st_atim) == 72 &&
                  offsetof(struct stat, st_mtim) == 88 && offsetof(struct stat, st_ctim) == 104,
              "the stat layout below is written for x86-64 Linux");
#else
#error "write the stat layout for this host"
#endif

constexpr char kStatLayout[] =
    "<DEV@L @4x INODE@L @4x NLINK@L @4x MODE@L UID@L GID@L @4x RDEV@L @4x SIZE@L @4x "
    "BLKSIZE@L @4x BLOCKS@L @4x ATIME@L @12x MTIME@L @12x CTIME@L @12x @24x FSTYPE@16a";
constexpr size_t kFsTypeLen = 16;

int fileTime(const struct stat& st, int which) {
  const time_t t = which == 'a' ? st.st_atime : which == 'c' ? st.st_ctime : st.st_mtime;
  return t == time_t(-1) ? 0 : int32_t(awk_gm2loctime(int64_t(t)));
}

void retIntOrFloat(int64_t v) {
  if (v >= INT32_MIN && v <= INT32_MAX) cellSetInt(awk_retval, int32_t(v));
  else cellSetFloat(awk_retval, double(v), 0);
}

// Where a stat argument leads: a name, or an open stream's descriptor.
bool statArg(const Cell& c, struct stat* st, struct statfs* fs, bool* haveFs) {
  if (c.tag == Tag::FileId) {
    const AwkStream* r = c.w.f;
    if (!r || !r->fp) return false;
    int fd = fileno(r->fp);
    if (fstat(fd, st) != 0) return false;
    *haveFs = fstatfs(fd, fs) == 0;
    return true;
  }
  const char* path = awk_patharg(c);
  if (!path || stat(path, st) != 0) return false;
  *haveFs = statfs(path, fs) == 0;
  return true;
}

}  // namespace

void b_filetime(int argc, Cell* args) {
  if (argc < 1) awk_assert2(0x8501);
  int which = awk_letterarg(argc, args, 1, 'm');
  if (which != 'm' && which != 'a' && which != 'c') {
    oops('n', "second argument must be \"m\", \"a\" or \"c\"");
    which = 'm';
  }
  struct stat st;
  const char* path = awk_patharg(args[0]);
  cellSetInt(awk_retval, path && stat(path, &st) == 0 ? fileTime(st, which) : 0);
}

void b_filesize(int argc, Cell* args) {
  if (argc < 1) awk_assert2(0x8502);
  struct stat st;
  const char* path = awk_patharg(args[0]);
  if (!path || stat(path, &st) != 0) retIntOrFloat(-1);
  else retIntOrFloat(S_ISDIR(st.st_mode) ? 0 : int64_t(st.st_size));
}

void b_filemode(int argc, Cell* args) {
  if (argc < 1) awk_assert2(0x8503);
  int which = awk_letterarg(argc, args, 1, 'u');
  bool user = which == 'u', group = which == 'g', other = which == 'o';
  if (which == 'a') user = group = other = true;
  if (!user && !group && !other) user = true;
  // 'a' is reported too: the note lists the single groups only.
  if (which != 'u' && which != 'g' && which != 'o')
    oops('n', "second argument must be \"user\", \"group\" or \"other\"");
  struct stat st;
  const char* path = awk_patharg(args[0]);
  if (!path || stat(path, &st) != 0) {
    cellSetString(awk_retval, stringDup(string_empty));
    return;
  }
  const mode_t m = st.st_mode;
  char out[16];
  int n = 0;
  out[n++] = S_ISDIR(m) ? 'd' : S_ISREG(m) ? 'f' : S_ISCHR(m) ? 'c' : S_ISFIFO(m) ? 'p'
           : S_ISBLK(m) ? 'b' : '-';
  auto rwx = [&](mode_t r, mode_t w, mode_t x) {
    out[n++] = m & r ? 'r' : '-';
    out[n++] = m & w ? 'w' : '-';
    out[n++] = m & x ? 'x' : '-';
  };
  if (user) {
    rwx(S_IRUSR, S_IWUSR, S_IXUSR);
    out[n++] = m & S_ISUID ? 's' : '-';
  }
  if (group) {
    rwx(S_IRGRP, S_IWGRP, S_IXGRP);
    out[n++] = m & S_ISGID ? (m & S_IXGRP ? 's' : 'l') : '-';
  }
  if (other) {
    rwx(S_IROTH, S_IWOTH, S_IXOTH);
    out[n++] = m & S_ISVTX ? 't' : '-';
  }
  cellSetString(awk_retval, stringNew1(out, uint32_t(n)));
}

void b_stat(int argc, Cell* args) {
  if (argc < 1 || argc > 2) awk_assert2(0x8504);
  Cell* arr = nullptr;
  if (argc == 2) {
    if (args[1].tag != Tag::Array) awk_assert2(0x8505);
    arr = &args[1];
    awk_stclear(arr->w.t);
  }
  struct stat st;
  struct statfs fs;
  bool haveFs = false;
  if (!statArg(args[0], &st, &fs, &haveFs)) {
    cellSetInt(awk_retval, 0);
    return;
  }
  cellSetInt(awk_retval, 1);
  if (!arr) return;
  st.st_atim.tv_sec = awk_gm2loctime(int64_t(st.st_atim.tv_sec));
  st.st_mtim.tv_sec = awk_gm2loctime(int64_t(st.st_mtim.tv_sec));
  st.st_ctim.tv_sec = awk_gm2loctime(int64_t(st.st_ctim.tv_sec));
  unsigned char rec[sizeof st + kFsTypeLen] = {};
  std::memcpy(rec, &st, sizeof st);
  if (haveFs) {
    const char* name = awk_fstypename(int64_t(fs.f_type));
    std::memcpy(rec + sizeof st, name, std::min(std::strlen(name), kFsTypeLen));
  }
  awk_unpack(kStatLayout, sizeof kStatLayout - 1, rec, sizeof rec, arr->w.t);
  const struct {
    const char* key;
    uint64_t value;
  } wide[] = {{"DEV", st.st_dev},   {"INODE", st.st_ino}, {"NLINK", st.st_nlink},
              {"RDEV", st.st_rdev}, {"SIZE", uint64_t(st.st_size)},
              {"BLOCKS", uint64_t(st.st_blocks)}};
  for (const auto& w : wide)
    if (w.value > UINT32_MAX) awk_settab(arr->w.t, w.key, Tag::Float, 0, double(w.value));
}
