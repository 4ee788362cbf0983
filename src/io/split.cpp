// The splitting engine behind $1..$NF, split() and splitp(): default
// (blank-run) splitting, one separator byte, every byte a field, a
// separator pattern, and fields as the matches of FPAT.
//
// Pieces go through one add step: into the field table (where field 10001
// stops the split with a warning) or into an array under keys 1, 2, ...
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "arrays/table.h"
#include "io/fields.h"
#include "regex/regex.h"
#include "diag/oops.h"
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

// The keys "1", "2", ... of split's arrays, each made once and then shared
// by every array that holds it (a table keeps its keys by reference), so
// that a split allocates only the pieces themselves.
constexpr int32_t kSharedKeys = 4096;
AwkString* sharedKeys[kSharedKeys];
inline AwkString* indexKey(int32_t n) {
  if (n >= kSharedKeys) return awk_ui2str(uint32_t(n));
  AwkString*& k = sharedKeys[n];
  if (!k) k = awk_ui2str(uint32_t(n));
  return stringDup(k);
}

struct Splitter {
  AwkTable* target;
  const char* base;    // the text being split
  int32_t count = 0;
  bool full = false;   // the field table is full: stop

  // Adds one piece; false once no more pieces are wanted.
  bool add(const char* bytes, int32_t len) {
    if (target) {
      Cell v;
      cellSetHead(&v, Tag::Field);
      v.w.s = len ? stringNew1(bytes, uint32_t(len)) : stringDup(string_empty);
      awk_stadd(target, indexKey(++count), &v);
      return true;
    }
    if (awk_piece(count + 1, int32_t(bytes - base), len) != 0) {
      oops('w', "Too many fields in record, extras ignored.");
      full = true;
      return false;
    }
    ++count;
    return true;
  }
};

// Default splitting straight into the field table, the most common split.
// Sixteen bytes at a time become a bit mask of blanks; fields begin and end
// where the mask changes, so the work follows the fields, not the bytes.
int32_t splitBlanksTable(const char* t, int32_t n) {
  int32_t count = 0, start = 0;
  bool inField = false;
  auto emit = [&](int32_t end) {
    inField = false;
    if (awk_piece(count + 1, start, end - start) != 0) {
      oops('w', "Too many fields in record, extras ignored.");
      return false;
    }
    ++count;
    return true;
  };
  int32_t i = 0;
#if defined(__SSE2__)
  const __m128i space = _mm_set1_epi8(' ');
  const __m128i tab = _mm_set1_epi8('\t');
  const __m128i four = _mm_set1_epi8(4);
  for (; i + 16 <= n; i += 16) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + i));
    __m128i ctl = _mm_sub_epi8(v, tab);   // \t \n \v \f \r become 0..4
    __m128i blank = _mm_or_si128(_mm_cmpeq_epi8(v, space),
                                 _mm_cmpeq_epi8(_mm_min_epu8(ctl, four), ctl));
    uint32_t word = ~uint32_t(_mm_movemask_epi8(blank)) & 0xFFFF;   // bit k: byte is in a field
    uint32_t changes = (word ^ (word << 1 | (inField ? 1u : 0u))) & 0xFFFF;
    while (changes) {
      int k = __builtin_ctz(changes);
      changes &= changes - 1;
      if (word >> k & 1) {
        start = i + k;
        inField = true;
      } else if (!emit(i + k)) {
        return count;
      }
    }
  }
#endif
  const unsigned char* p = reinterpret_cast<const unsigned char*>(t);
  for (; i < n; ++i) {
    bool b = kBlank.v[p[i]];
    if (!inField && !b) {
      start = i;
      inField = true;
    } else if (inField && b && !emit(i)) {
      return count;
    }
  }
  if (inField) emit(n);
  return count;
}

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
      // An empty text has no fields, as with blanks: scripts test NF == 0
      // for an empty line under -F: as well.
      if (n > 0) sp.add(p, int32_t(end - p));
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
      if (n > 0) sp.add(t + p, n - p);  // an empty text has no fields
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
  Splitter sp{target, text->text()};
  if (!target) awk_piecesbegin(text);
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
    if (sep->text()[0] == ' ' && !target)
      sp.count = splitBlanksTable(t, n);
    else if (sep->text()[0] == ' ')
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
