// String objects: counted, reference-counted byte strings, one allocator
// block each. Layout (shared with the image): u32 length, i16 reference
// count, 2 bytes of padding, the bytes, a NUL. A count that reaches 32000 is
// permanent: such a string is never freed.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "values/alloc.h"

struct AwkString {
  uint32_t len;
  int16_t ref;
  uint16_t pad;
  char* text() { return reinterpret_cast<char*>(this) + 8; }
  const char* text() const { return reinterpret_cast<const char*>(this) + 8; }
  std::string_view view() const { return {text(), len}; }
};
static_assert(sizeof(AwkString) == 8);

inline constexpr int16_t kPermanentRef = 32000;

// The longest string the run-time makes: longer results are cut, with a
// warning, where they are built. A fuzzing build lowers it, so that a
// generated program cannot spend the harness's memory and time on
// legitimate gigabyte strings.
#ifdef VORN_FUZZ_LIMITS
inline constexpr int32_t kStringLimit = 1048576;
#else
inline constexpr int32_t kStringLimit = 2147480000;
#endif

extern AwkString* string_empty;   // created once at start-up

AwkString* stringInit(uint32_t len);                     // bytes unwritten, NUL set
AwkString* stringNew1(const void* bytes, uint32_t len);
AwkString* stringNew(const char* cstr);
inline AwkString* stringNew(std::string_view s) { return stringNew1(s.data(), uint32_t(s.size())); }
AwkString* stringCopy(const AwkString* s);
// One more reference (none for a permanent string). Inline: every copy of
// a string cell comes through here.
inline AwkString* stringDup(AwkString* s) {
  if (s->ref <= kPermanentRef) ++s->ref;
  return s;
}
// Gives one reference back; the last one frees the object. Null is ignored.
void stringRelease(AwkString* s);   // the freeing half, out of line
inline void stringFree(AwkString* s) {
  if (!s || s->ref >= kPermanentRef) return;
  if (--s->ref == 0) stringRelease(s);
}
int stringCmp(const AwkString* a, const AwkString* b);
// The bytes of s with ASCII letters in upper (lower) case: s itself,
// changed in place, when it holds the only reference; otherwise a new string
// (s's reference is given back either way).
AwkString* stringUpper(AwkString* s);
AwkString* stringLower(AwkString* s);
// A string of len bytes: s itself, overwritten, when it holds the only
// reference and its block has room; otherwise s's reference is given back
// and a new string made. Lets a holder that replaces its string on every
// record keep one object.
AwkString* stringReuse(AwkString* s, const void* bytes, uint32_t len);
// The most bytes s's block can hold (0 for an object not made by the
// allocator), and whether s can take len bytes in place: it has room and
// holds the only reference.
inline uint32_t stringRoom(const AwkString* s) {
  const int bucket = awk_blockbucket(s);
  return bucket < 0 ? 0 : awk_bucketsize(bucket) - 9;
}
inline bool stringHasRoom(const AwkString* s, uint32_t len) {
  return s->ref == 1 && (len <= s->len || stringRoom(s) >= len);
}
// Copies n bytes (the regions do not overlap), inline for the short
// pieces of records and fields, where a call costs more than the copy.
inline void stringBytes(char* dst, const char* src, size_t n) {
  if (n > 16) {
    std::memcpy(dst, src, n);
  } else if (n >= 8) {
    uint64_t a, b;
    std::memcpy(&a, src, 8);
    std::memcpy(&b, src + n - 8, 8);
    std::memcpy(dst, &a, 8);
    std::memcpy(dst + n - 8, &b, 8);
  } else if (n >= 4) {
    uint32_t a, b;
    std::memcpy(&a, src, 4);
    std::memcpy(&b, src + n - 4, 4);
    std::memcpy(dst, &a, 4);
    std::memcpy(dst + n - 4, &b, 4);
  } else {
    for (size_t i = 0; i < n; ++i) dst[i] = src[i];
  }
}
AwkString* awk_ui2str(uint32_t n);

char* awk_strcpyn(char* buf, const char* s, size_t n);
char* awk_strchsub(char* s, int from, int to);
char* awk_strtolower(char* s);
int awk_stricmp(const char* a, const char* b);
char* awk_lastslash(const char* path);
char* awk_PFileExt(const char* path);
const char* awk_PFileName(const char* path);
