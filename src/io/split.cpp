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

#if defined(__SSE2__)
// Sixteen bytes of t from i; past the end (n) the block is filled with pad,
// so that the last bytes take the same path as the rest.
inline __m128i block16(const char* t, int32_t i, int32_t n, char pad) {
  if (i + 16 <= n) return _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + i));
  const size_t left = size_t(n - i);
  if (left >= 16) __builtin_unreachable();
  alignas(16) char tail[16];
  std::memset(tail, pad, sizeof tail);
  stringBytes(tail, t + i, left);
  return _mm_load_si128(reinterpret_cast<const __m128i*>(tail));
}
#endif

struct Splitter {
  AwkTable* target;
  const char* base;    // the text being split
  int32_t count = 0;
  bool full = false;   // the field table is full: stop
  AwkFill fill{};      // the target's fill, when there is a target

  // Adds one piece; false once no more pieces are wanted.
  bool add(const char* bytes, int32_t len) {
    if (target) {
      Cell v;
      cellSetHead(&v, Tag::Field);
      v.w.s = len ? stringNew1(bytes, uint32_t(len)) : stringDup(string_empty);
      awk_filladd(&fill, &v);
      ++count;
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

// Pieces going straight into the field table. The table's arrays are held
// here (stores through them cannot then be taken to change the globals, so
// the compiler keeps everything in registers) and read again after the
// table grows; finish() records how high the pending marks reach.
struct TableSink {
  int32_t count = 0;
  int32_t cap;
  int32_t* off;
  int32_t* len;
  uint8_t* pending;
  TableSink() { load(); }
  void load() {
    cap = awk_fieldcap;
    off = awk_pieceoff;
    len = awk_piecelen;
    pending = awk_pending;
  }
  // Field count + 1 is [start, end); false (after the warning) when the
  // table is full.
  bool add(int32_t start, int32_t end) {
    const int32_t i = count + 1;
    if (i > cap) [[unlikely]] {
      if (i > kMaxFields) {
        oops('w', "Too many fields in record, extras ignored.");
        return false;
      }
      awk_fieldgrow(i);
      load();
    }
    off[i] = start;
    len[i] = end - start;
    pending[i] = 1;
    count = i;
    return true;
  }
  int32_t finish() const {
    if (count > awk_pendinghigh) awk_pendinghigh = count;
    return count;
  }
};

// Default splitting straight into the field table, the most common split.
// Sixteen bytes at a time become a bit mask of blanks; fields begin and end
// where the mask changes, so the work follows the fields, not the bytes.
int32_t splitBlanksTable(const char* t, int32_t n) {
  TableSink sink;
  int32_t start = 0;
  bool inField = false;
  auto emit = [&](int32_t end) {
    inField = false;
    return sink.add(start, end);
  };
  int32_t i = 0;
#if defined(__SSE2__)
  const __m128i space = _mm_set1_epi8(' ');
  const __m128i tab = _mm_set1_epi8('\t');
  const __m128i four = _mm_set1_epi8(4);
  for (; i < n; i += 16) {   // past the end, blanks: a field there ends at n
    __m128i v = block16(t, i, n, ' ');
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
        return sink.finish();
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
      return sink.finish();
    }
  }
  if (inField) emit(n);
  return sink.finish();
}

// One separator byte straight into the field table: sixteen bytes at a
// time become a bit mask of separators, each of which ends a field. An
// empty text has no fields.
int32_t splitByteTable(const char* t, int32_t n, char c) {
  if (n == 0) return 0;
  TableSink sink;
  int32_t start = 0;
  auto emit = [&](int32_t end) {
    if (!sink.add(start, end)) return false;
    start = end + 1;
    return true;
  };
  int32_t i = 0;
#if defined(__SSE2__)
  const __m128i sep = _mm_set1_epi8(c);
  for (; i < n; i += 16) {   // past the end, bytes that are not c
    __m128i v = block16(t, i, n, char(c ^ 1));
    uint32_t hits = uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(v, sep)));
    while (hits) {
      if (!emit(i + __builtin_ctz(hits))) return sink.finish();
      hits &= hits - 1;
    }
  }
#endif
  for (; i < n; ++i)
    if (t[i] == c && !emit(i)) return sink.finish();
  emit(n);
  return sink.finish();
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

// Pieces between maximal runs of bytes of `set`: what splitPattern cuts
// for a pattern whose matches are exactly such runs, without a search call
// per piece.
void splitRuns(Splitter& sp, const bool* set, const char* t, int32_t n) {
  const auto* u = reinterpret_cast<const unsigned char*>(t);
  int32_t p = 0;
  for (;;) {
    int32_t s = p;
    while (s < n && !set[u[s]]) ++s;
    if (s == n) {
      if (n > 0) sp.add(t + p, n - p);  // an empty text has no fields
      return;
    }
    int32_t e = s + 1;
    while (e < n && set[u[e]]) ++e;
    if (!sp.add(t + p, s - p)) return;
    p = e;
    if (p == n) {
      sp.add(t + n, 0);
      return;
    }
  }
}

// Pieces between non-empty matches of pat.
void splitPattern(Splitter& sp, AwkPattern* pat, const char* t, int32_t n) {
  if (const bool* set = awk_rerunset(pat)) return splitRuns(sp, set, t, n);
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

// The pieces of text cut as fs or fpat says, into sp.
void splitText(Splitter& sp, const AwkString* text, Cell* fs, AwkPattern* fpat) {
  AwkTable* target = sp.target;
  const char* t = text->text();
  int32_t n = int32_t(text->len);
  if (fpat) {
    splitFpat(sp, fpat, t, n);
    return;
  }
  if (!fs) awk_assert2(0x6301);
  if (fs->tag == Tag::Regex) {
    splitPattern(sp, fs->w.re, t, n);
    return;
  }
  AwkString* sep = cellIsStringy(fs) ? stringDup(fs->w.s) : awk_a2s(fs);
  if (sep->len == 1) {
    if (sep->text()[0] == ' ' && !target)
      sp.count = splitBlanksTable(t, n);
    else if (sep->text()[0] == ' ')
      splitBlanks(sp, t, n);
    else if (!target)
      sp.count = splitByteTable(t, n, sep->text()[0]);
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
}

}  // namespace

int32_t awk_make_fields(const AwkString* text, AwkTable* target, Cell* fs, AwkPattern* fpat) {
  // A record split at one byte or at blanks, the common case, goes straight
  // to the field table.
  if (!target && !fpat && fs && cellIsStringy(fs) && fs->w.s->len == 1) {
    awk_piecesbegin(text);
    const char c = fs->w.s->text()[0];
    const auto n = int32_t(text->len);
    return c == ' ' ? splitBlanksTable(text->text(), n) : splitByteTable(text->text(), n, c);
  }
  Splitter sp{target, text->text()};
  if (target)
    awk_fillbegin(&sp.fill, target);
  else
    awk_piecesbegin(text);
  splitText(sp, text, fs, fpat);
  if (target) awk_fillend(&sp.fill);
  return sp.count;
}
