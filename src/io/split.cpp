// The splitting engine behind $1..$NF, split() and splitp(): default
// (blank-run) splitting, one separator byte, every byte a field, a
// separator pattern, and fields as the matches of FPAT.
//
// Pieces go through one add step: into the field table (where field 10001
// stops the split with a warning) or into an array under keys 1, 2, ...
#include <cstring>

#include "arrays/table.h"
#include "io/fields.h"
#include "regex/regex.h"
#include "runtime/oops.h"
#include "values/convert.h"

namespace {

// Whitespace of default splitting: the C library's space characters below
// 128; bytes of 128 and above never are.
constexpr bool isBlankByte(unsigned char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
struct BlankTable {
  bool v[256];
  constexpr BlankTable() : v{} {
    for (int c = 0; c < 256; ++c) v[c] = isBlankByte(static_cast<unsigned char>(c));
  }
};
constexpr BlankTable kBlank;

struct Splitter {
  AwkTable* target;
  int32_t count = 0;
  bool full = false;   // the field table is full: stop

  // Adds one piece; false once no more pieces are wanted.
  bool add(const char* bytes, int32_t len) {
    if (target) {
      awk_setarray(target, count + 1, Tag::Field,
                   reinterpret_cast<intptr_t>(len ? stringNew1(bytes, uint32_t(len))
                                                  : stringDup(string_empty)));
      ++count;
      return true;
    }
    if (awk_dofield(count + 1, bytes, len) != 0) {
      oops('w', "Too many fields in record, extras ignored.");
      full = true;
      return false;
    }
    ++count;
    return true;
  }
};

void splitBlanks(Splitter& sp, const char* t, int32_t n) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(t);
  int32_t i = 0;
  for (;;) {
    while (i < n && kBlank.v[p[i]]) ++i;
    if (i >= n) return;
    int32_t s = i;
    while (i < n && !kBlank.v[p[i]]) ++i;
    if (!sp.add(t + s, i - s)) return;
  }
}

void splitByte(Splitter& sp, const char* t, int32_t n, char c) {
  const char* p = t;
  const char* end = t + n;
  for (;;) {
    const char* q = static_cast<const char*>(std::memchr(p, c, size_t(end - p)));
    if (!q) {
      sp.add(p, int32_t(end - p));
      return;
    }
    if (!sp.add(p, int32_t(q - p))) return;
    p = q + 1;
  }
}

void splitEach(Splitter& sp, const char* t, int32_t n) {
  for (int32_t i = 0; i < n; ++i)
    if (!sp.add(t + i, 1)) return;
}

// Pieces between non-empty matches of pat.
void splitPattern(Splitter& sp, AwkPattern* pat, const char* t, int32_t n) {
  int32_t p = 0;
  for (;;) {
    int32_t s, e;
    if (!awk_erematch(pat, t, n, p, 0, kReNoEmpty) || !awk_erepatpos(&s, &e)) {
      sp.add(t + p, n - p);
      return;
    }
    if (!sp.add(t + p, s - p)) return;
    p = e;
    if (p == n) {
      sp.add(t + n, 0);
      return;
    }
  }
}

// Fields are the matches of pat; text between matches belongs to none. An
// empty match right after a field is skipped, so "a,,b" under [^,]* gives
// a, empty, b.
void splitFpat(Splitter& sp, AwkPattern* pat, const char* t, int32_t n) {
  int32_t p = 0;
  bool just = false;
  do {
    int32_t s, e;
    if (!awk_erematch(pat, t, n, p, 0, 0) || !awk_erepatpos(&s, &e)) return;
    if (e == p) {
      if (just) {
        just = false;
        ++p;
        continue;
      }
      if (!sp.add(t + s, 0)) return;
      just = true;
    } else {
      if (!sp.add(t + s, e - s)) return;
      p = e;
      just = true;
    }
  } while (p < n || (p == n && !just));
}

}  // namespace

int32_t awk_make_fields(const AwkString* text, AwkTable* target, Cell* fs, AwkPattern* fpat) {
  Splitter sp{target};
  const char* t = text->text();
  int32_t n = int32_t(text->len);
  if (fpat) {
    splitFpat(sp, fpat, t, n);
    return sp.count;
  }
  if (!fs) awk_assert2(0x6301);
  if (fs->tag == Tag::Regex) {
    splitPattern(sp, fs->w.re, t, n);
    return sp.count;
  }
  AwkString* sep = cellIsStringy(fs) ? stringDup(fs->w.s) : awk_a2s(fs);
  if (sep->len == 1) {
    if (sep->text()[0] == ' ')
      splitBlanks(sp, t, n);
    else
      splitByte(sp, t, n, sep->text()[0]);
  } else if (sep->len == 0) {
    splitEach(sp, t, n);
  } else if (AwkPattern* p = awk_str2ere(sep, 0x84)) {
    splitPattern(sp, p, t, n);
  } else {
    sp.add(t, n);
  }
  stringFree(sep);
  return sp.count;
}
