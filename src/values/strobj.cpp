// String objects and the C-string utilities.
//
// A string object is one allocator block: the 8-byte header (length,
// reference count, padding), the bytes and a NUL. Objects are shared by
// reference count and treated as immutable; whoever wants to change bytes
// takes a private copy first. A count of 32000 or more is permanent.
#include "values/strobj.h"

#include <cctype>

#include "values/alloc.h"

AwkString* string_empty = nullptr;

AwkString* stringInit(uint32_t len) {
  auto* s = static_cast<AwkString*>(space(int32_t(len + 9)));
  s->len = len;
  s->ref = 1;
  s->pad = 0;
  s->text()[len] = '\0';
  return s;
}

AwkString* stringNew1(const void* bytes, uint32_t len) {
  AwkString* s = stringInit(len);
  if (len) std::memcpy(s->text(), bytes, len);
  return s;
}

AwkString* stringNew(const char* cstr) { return stringNew1(cstr, uint32_t(std::strlen(cstr))); }

AwkString* stringCopy(const AwkString* s) { return stringNew1(s->text(), s->len); }

void stringRelease(AwkString* s) { spfree(s); }

int stringCmp(const AwkString* a, const AwkString* b) {
  uint32_t n = a->len < b->len ? a->len : b->len;
  int c = n ? std::memcmp(a->text(), b->text(), n) : 0;
  if (c) return c;
  return a->len == b->len ? 0 : (a->len < b->len ? -1 : 1);
}

namespace {

// Case change of ASCII letters, eight bytes at a time: a byte's 0x20 bit
// flips where it lies in [lo, hi]. Each byte's low seven bits plus a bias
// carry into its top bit exactly when the byte passes a bound; bytes of 128
// and above are left alone.
template <char lo, char hi>
void changeCase(char* dst, const char* src, uint32_t n) {
  constexpr uint64_t kOnes = 0x0101010101010101ULL;
  constexpr uint64_t kHigh = 0x8080808080808080ULL;
  uint32_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t w;
    std::memcpy(&w, src + i, 8);
    const uint64_t low7 = w & ~kHigh;
    const uint64_t aboveLo = low7 + kOnes * uint64_t(0x80 - lo);       // top bit: byte >= lo
    const uint64_t aboveHi = low7 + kOnes * uint64_t(0x7F - hi);       // top bit: byte > hi
    const uint64_t inRange = (aboveLo & ~aboveHi & ~w) & kHigh;
    w ^= inRange >> 2;
    std::memcpy(dst + i, &w, 8);
  }
  for (; i < n; ++i) {
    const char c = src[i];
    dst[i] = c >= lo && c <= hi ? char(c ^ 0x20) : c;
  }
}

template <char lo, char hi>
AwkString* caseOf(AwkString* s) {
  if (s->ref == 1) {
    changeCase<lo, hi>(s->text(), s->text(), s->len);
    return s;
  }
  AwkString* r = stringInit(s->len);
  changeCase<lo, hi>(r->text(), s->text(), s->len);
  stringFree(s);
  return r;
}

}  // namespace

AwkString* stringUpper(AwkString* s) { return caseOf<'a', 'z'>(s); }
AwkString* stringLower(AwkString* s) { return caseOf<'A', 'Z'>(s); }

AwkString* stringReuse(AwkString* s, const void* bytes, uint32_t len) {
  if (!stringHasRoom(s, len)) {
    stringFree(s);
    return stringNew1(bytes, len);
  }
  if (len) std::memmove(s->text(), bytes, len);
  s->len = len;
  s->text()[len] = '\0';
  return s;
}

AwkString* awk_ui2str(uint32_t n) {
  char buf[12];
  char* p = buf + sizeof buf;
  do {
    *--p = char('0' + n % 10);
    n /= 10;
  } while (n);
  return stringNew1(p, uint32_t(buf + sizeof buf - p));
}

char* awk_strcpyn(char* buf, const char* s, size_t n) {
  if (n == 0) return buf;
  size_t i = 0;
  for (; i + 1 < n && s[i]; ++i) buf[i] = s[i];
  buf[i] = '\0';
  return buf;
}

char* awk_strchsub(char* s, int from, int to) {
  for (char* p = s; *p; ++p)
    if (*p == char(from)) *p = char(to);
  return s;
}

char* awk_strtolower(char* s) {
  if (!s) return s;
  for (char* p = s; *p; ++p)
    if (*p >= 'A' && *p <= 'Z') *p = char(*p - 'A' + 'a');
  return s;
}

namespace {
int lowerAscii(int c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; }
}  // namespace

int awk_stricmp(const char* a, const char* b) {
  const auto* x = reinterpret_cast<const unsigned char*>(a);
  const auto* y = reinterpret_cast<const unsigned char*>(b);
  for (;; ++x, ++y) {
    int c = *x, d = *y;
    bool ascii = c < 128 && d < 128;
    if (c != d && !(ascii && lowerAscii(c) == lowerAscii(d)))
      return ascii ? lowerAscii(c) - lowerAscii(d) : c - d;
    if (c == 0) return 0;
  }
}

char* awk_lastslash(const char* path) { return const_cast<char*>(std::strrchr(path, '/')); }

char* awk_PFileExt(const char* path) {
  const char* dot = std::strrchr(path, '.');
  const char* slash = std::strrchr(path, '/');
  if (!dot || (slash && dot < slash)) return nullptr;
  return const_cast<char*>(dot);
}

const char* awk_PFileName(const char* path) {
  const char* slash = std::strrchr(path, '/');
  return slash ? slash + 1 : path;
}
