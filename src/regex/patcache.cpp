// Patterns from AWK values: compiling string objects with their
// diagnostics reported, the four-entry cache of patterns given as strings,
// pattern constants of the image, and the `~` test.
//
// The cache replaces the entry after the one used last, so a loop that
// alternates between up to four dynamic patterns compiles each once. A
// cached pattern may be freed by the next miss: callers use it only within
// their own operation and never keep it.
#include "regex/regex.h"
#include "program/vm.h"
#include "diag/oops.h"
#include "values/convert.h"

namespace {

struct CacheEntry {
  AwkString* source;   // shared reference; null = empty entry
  AwkPattern* pat;     // may be null after a failed compilation
};
constexpr int kCacheSize = 4;
CacheEntry cache[kCacheSize];
int lastUsed = 0;

}  // namespace

AwkPattern* awk_str1ere(AwkString* s, const char* what, int flags, int quiet) {
  AwkPattern* p = awk_erencomp(nullptr, s->text(), int32_t(s->len), flags);
  const char* err = awk_ereerr();
  if (!err) return p;
  if (quiet) {
    awk_ererelease(p);
    return nullptr;
  }
  oops(err[0], "in %s: %s", what, err + 2);
  return p;
}

AwkPattern* awk_str2ere(AwkString* s, int flags) {
  for (int k = 0; k < kCacheSize && cache[k].source; k++) {
    if (stringCmp(cache[k].source, s) == 0) {
      lastUsed = k;
      return cache[k].pat;
    }
  }
  int t = (lastUsed + 1) % kCacheSize;
  lastUsed = t;
  CacheEntry& e = cache[t];
  if (e.source) {
    awk_ererelease(e.pat);
    stringFree(e.source);
  }
  e.source = stringDup(s);
  e.pat = nullptr;
  e.pat = awk_str1ere(s, "pattern", flags, 0);
  return e.pat;
}

AwkPattern* awk_getere(Cell* c, const char* what, int flags) {
  if (cellIsStringy(c)) return awk_str2ere(c->w.s, flags);
  if (c->tag == Tag::Regex) return c->w.re;
  oops('e', "regular expression required for %s", what);
  return nullptr;
}

AwkPattern* awka_erecomp(uint32_t vaddr, int flags) {
  AwkString* s = reinterpret_cast<AwkString*>(vm_v2pcode(vaddr));
  return awk_str1ere(s, "pattern", flags, 0);
}

int awk_tilde(Cell* pattern, Cell* subject) {
  AwkPattern* p = awk_getere(pattern, "~ or !~", 4);
  if (!p) return 0;
  AwkString* s = awk_a2s(subject);
  int r = awk_erematch(p, s->text(), int32_t(s->len), 0, 0, kReFirst) != 0;
  stringFree(s);
  return r;
}
