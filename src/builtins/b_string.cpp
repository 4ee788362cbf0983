// String builtins: substr and substring assignment, index, rindex, length,
// case conversion, ord and char, typeof and _precof, strdup, sprintf.
//
// The compiler has converted every argument to the type the builtin's
// signature names (texts to string or field cells, positions and counts to
// ints), so handlers read argument words directly and treat any other tag
// as an internal failure. Positions are 1-based byte positions. A result
// that is the whole argument shares its string object instead of copying;
// strings built here stay within kNoLimit bytes.
#include <cstring>
#include <string_view>

#include "arrays/table.h"
#include "builtins/btable.h"
#include "format/printf.h"
#include "io/refs.h"
#include "io/globals.h"
#include "io/stream.h"
#include "diag/oops.h"
#include "values/convert.h"

namespace {

inline bool stringy(const Cell& c) { return cellIsStringy(&c); }

inline std::string_view sv(const Cell& c) { return c.w.s->view(); }

inline void retString(AwkString* s) { cellSetString(awk_retval, s); }
inline void retEmpty() { retString(stringDup(string_empty)); }

// count bytes of the cell's string from start (both already in range), as
// a new reference: the cell's own object when that is the whole of it.
AwkString* piece(Cell* c, uint32_t start, uint32_t count) {
  if (count == 0) return stringDup(string_empty);
  if (start == 0 && count == c->w.s->len) return stringDup(c->w.s);
  return stringNew1(c->w.s->text() + start, count);
}

// The string of a stringy cell with the cell's reference moved out, so
// that a sole owner's object can be changed in place.
AwkString* takeString(Cell* c) {
  AwkString* s = c->w.s;
  cellSetUninit(c);
  return s;
}

}  // namespace

// substr(s, m [, n]): a start below 1 counts as 1 without shortening the
// result; a count is clamped to what is left after the start.
void b_substr(int argc, Cell* args) {
  if (argc < 2 || argc > 3 || !stringy(args[0]) || args[1].tag != Tag::Int ||
      (argc == 3 && args[2].tag != Tag::Int))
    awk_assert2(0x3104);
  const uint32_t len = args[0].w.s->len;
  int64_t m = args[1].w.i;
  if (m < 1) m = 1;
  if (m - 1 >= int64_t(len)) {
    retEmpty();
    return;
  }
  uint32_t start = uint32_t(m - 1);
  uint32_t rest = len - start;
  uint32_t count = rest;
  if (argc == 3) {
    int64_t n = args[2].w.i;
    count = n < 0 ? 0 : (n > int64_t(rest) ? rest : uint32_t(n));
  }
  retString(piece(&args[0], start, count));
}

// substr(v, m [, n]) = t, compiled as __lsubstr(t, ref v, m [, n]): v is
// read through the reference, rebuilt as head + t + tail and stored back.
void b___lsubstr(int argc, Cell* args) {
  if (argc < 3 || argc > 4 || !stringy(args[0]) || args[1].tag != Tag::Ref ||
      args[2].tag != Tag::Int || (argc == 4 && args[3].tag != Tag::Int))
    awk_assert2(0x3104);
  AwkString* v = awk_getrefs(&args[1]);
  const int64_t len = v->len;
  int64_t start = int64_t(args[2].w.i) - 1;
  if (start < 0) start = 0;
  if (start > len) start = len;
  int64_t count = len - start;
  if (argc == 4) {
    int64_t n = args[3].w.i;
    if (n < count) count = n < 0 ? 0 : n;
  }
  std::string_view parts[3] = {std::string_view(v->text(), size_t(start)), sv(args[0]),
                               std::string_view(v->text() + start + count,
                                                size_t(len - start - count))};
  uint64_t room = uint64_t(kNoLimit);
  uint64_t total = 0;
  for (auto& p : parts) {
    if (p.size() > room) p = p.substr(0, size_t(room));
    room -= p.size();
    total += p.size();
  }
  AwkString* r = stringInit(uint32_t(total));
  char* out = r->text();
  for (const auto& p : parts) {
    if (!p.empty()) std::memcpy(out, p.data(), p.size());
    out += p.size();
  }
  stringFree(v);
  Cell value;
  cellSetString(&value, r);
  awk_setref(&args[1], &value);
}

// index(s, t [, start]): first position of t in s, counted from the start
// of s even when the search begins later.
void b_index(int argc, Cell* args) {
  if (argc < 2 || argc > 3 || !stringy(args[0]) || !stringy(args[1]) ||
      (argc == 3 && args[2].tag != Tag::Int))
    awk_assert2(0x3106);
  std::string_view s = sv(args[0]), t = sv(args[1]);
  size_t from = 0;
  if (argc == 3) {
    int32_t st = args[2].w.i;
    if (st < 1 || uint32_t(st) > s.size()) {
      cellSetInt(awk_retval, 0);
      return;
    }
    from = size_t(st - 1);
  }
  int32_t pos;
  if (t.empty()) pos = s.empty() ? 0 : 1;
  else {
    size_t at = s.find(t, from);
    pos = at == std::string_view::npos ? 0 : int32_t(at + 1);
  }
  cellSetInt(awk_retval, pos);
}

// rindex(s, t [, limit]): last position of t in s; with a limit only
// occurrences that end within the first limit bytes count.
void b_rindex(int argc, Cell* args) {
  if (argc < 2 || argc > 3 || !stringy(args[0]) || !stringy(args[1]) ||
      (argc == 3 && args[2].tag != Tag::Int))
    awk_assert2(0x310F);
  std::string_view s = sv(args[0]), t = sv(args[1]);
  if (argc == 3) {
    int32_t limit = args[2].w.i;
    if (limit < 1) {
      cellSetInt(awk_retval, 0);
      return;
    }
    if (uint32_t(limit) < s.size()) s = s.substr(0, size_t(limit));
  }
  int32_t pos = 0;
  if (!t.empty()) {
    size_t at = s.rfind(t);
    if (at != std::string_view::npos) pos = int32_t(at + 1);
  }
  cellSetInt(awk_retval, pos);
}

// length(x): an array's element count, else the length of x as a string.
void b_length(int argc, Cell* args) {
  if (argc != 1) awk_assert2(0x3107);
  Cell* x = &args[0];
  int32_t n;
  if (x->tag == Tag::Array || x->tag == Tag::PackedArray) {
    n = awk_tablength(x->w.t);
  } else if (stringy(*x)) {
    n = int32_t(x->w.s->len);
  } else if (x->tag == Tag::Uninit) {
    n = 0;
  } else {
    AwkString* s = awk_a2s(x);
    n = int32_t(s->len);
    stringFree(s);
  }
  cellSetInt(awk_retval, n);
}

void b_toupper(int argc, Cell* args) {
  if (argc != 1 || !stringy(args[0])) awk_assert2(0x3100);
  retString(stringUpper(takeString(&args[0])));
}

void b_tolower(int argc, Cell* args) {
  if (argc != 1 || !stringy(args[0])) awk_assert2(0x3101);
  retString(stringLower(takeString(&args[0])));
}

// typeof(x): the tag's name; a field is named by what its text scans as,
// a stream by whether it is a socket.
void b_typeof(int argc, Cell* args) {
  if (argc != 1) return;
  const Cell* x = &args[0];
  const char* name = "unknown";
  if (x->tag == Tag::Field || x->tag == Tag::VmField) {
    Cell n;
    name = awk_s2n(x->w.s, &n, 0) ? awk_typenames[int(n.tag)] : "string";
  } else if (x->tag == Tag::FileId && x->w.f && (x->w.f->flags & SF_SOCKET)) {
    name = "socket";
  } else if (uint16_t(x->tag) < 14) {
    name = awk_typenames[int(x->tag)];
  }
  retString(stringNew(name));
}

// ord(s [, i]): the unsigned byte at position i; -1 outside the string,
// except that ord("") with one argument is 0.
void b_ord(int argc, Cell* args) {
  if (argc < 1 || argc > 2 || !stringy(args[0]) || (argc == 2 && args[1].tag != Tag::Int)) {
    cellSetInt(awk_retval, -1);
    return;
  }
  std::string_view s = sv(args[0]);
  if (argc == 1 && s.empty()) {
    cellSetInt(awk_retval, 0);
    return;
  }
  int32_t i = argc == 2 ? args[1].w.i : 1;
  cellSetInt(awk_retval, i < 1 || uint32_t(i) > s.size()
                             ? -1
                             : int32_t(static_cast<unsigned char>(s[size_t(i - 1)])));
}

namespace {

AwkString* oneByte[256];

// The shared one-byte string for c. Its count is raised to at least 1000
// on every hand-out and is never lowered below the number of its owners
// plus that margin, so it is never freed however many copies exist.
AwkString* sharedByte(unsigned char c) {
  AwkString*& s = oneByte[c];
  if (!s) {
    char b = static_cast<char>(c);
    s = stringNew1(&b, 1);
    s->ref = 0;
  }
  if (s->ref < kPermanentRef) s->ref = s->ref + 1 < 1000 ? 1000 : int16_t(s->ref + 1);
  return s;
}

}  // namespace

// char(c1, c2, ...): one byte per argument, the low 8 bits of each.
void b_char(int argc, Cell* args) {
  if (argc <= 0) {
    retEmpty();
    return;
  }
  if (argc == 1) {
    retString(sharedByte(static_cast<unsigned char>(awk_a2l(&args[0]))));
    return;
  }
  AwkString* s = stringInit(uint32_t(argc));
  for (int i = 0; i < argc; ++i) s->text()[i] = static_cast<char>(awk_a2l(&args[i]));
  retString(s);
}

// _precof(x): the decimals count of a float, or of a field that scans as
// one; nothing for anything else.
void b__precof(int argc, Cell* args) {
  if (argc != 1) return;
  const Cell* x = &args[0];
  if (x->tag == Tag::Float) {
    cellSetInt(awk_retval, x->w.dec);
  } else if (x->tag == Tag::Field || x->tag == Tag::VmField) {
    Cell n;
    if (awk_s2n(x->w.s, &n, 1) && n.tag == Tag::Float) cellSetInt(awk_retval, n.w.dec);
  }
}

// strdup(s [, n]): s repeated n times, cut at kNoLimit bytes.
void b_strdup(int argc, Cell* args) {
  if (argc < 1 || argc > 2 || !stringy(args[0])) {
    retEmpty();
    return;
  }
  int32_t n = argc == 2 ? awk_a2l(&args[1]) : 1;
  const uint32_t len = args[0].w.s->len;
  if (n <= 0 || len == 0) {
    retEmpty();
    return;
  }
  if (n == 1) {
    retString(stringDup(args[0].w.s));
    return;
  }
  uint64_t total = uint64_t(len) * uint64_t(n);
  if (total > uint64_t(kNoLimit)) {
    oops('w', "strdup maximum string length of %d exceeded", kNoLimit);
    total = uint64_t(kNoLimit);
  }
  AwkString* r = stringInit(uint32_t(total));
  char* out = r->text();
  const char* src = args[0].w.s->text();
  // Doubling copies keep the work logarithmic in the repeat count.
  uint64_t have = len < total ? len : total;
  std::memcpy(out, src, size_t(have));
  while (have < total) {
    uint64_t chunk = have < total - have ? have : total - have;
    std::memcpy(out + have, out, size_t(chunk));
    have += chunk;
  }
  retString(r);
}

// sprintf(format, values...): the printf engine's result; its message, if
// any, is reported and the partial text is still the result.
void b_sprintf(int argc, Cell* args) {
  if (argc < 1) awk_assert2(0x3400);
  if (!stringy(args[0])) awk_assert2(0x3401);
  const char* err = nullptr;
  AwkString* r = awk_asprintf(args[0].w.s, argc - 1, args + 1, &err);
  if (err) awk_oopscoded(err, "in sprintf: %s");
  retString(r);
}
