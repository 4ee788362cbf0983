// Fields and the record.
//
// $0 lives in cell 0 of the field table and fields 1..NF in the cells after
// it. Two flags describe how the two views relate:
// - awk_fsplit clear: $0 is the truth and the cells above 0 are stale; the
//   first use of a field or NF splits $0 (awk_splitrecord).
// - awk_fstale set: the fields are the truth (one was assigned, or NF was)
//   and cell 0 is stale; the next read of $0 joins fields 1..NF with OFS.
// They are never both in force: assigning a field splits first. A record
// the program never splits costs only the store of $0. The table grows in
// steps of at least 400 cells up to field 10000 and is never shrunk.
//
// Splitting into the table only records where each field lies in the split
// text (a pending cell); the field's string is made when the field is
// first read, so NF or $3 alone does not pay for every field. Every store
// into a cell clears its pending mark.
//
// Reading records allocates nothing in the steady state: a field's string
// and $0's are overwritten in place for the next record when the table
// holds the only reference (a program that keeps one, in a variable or an
// array, holds a second, and the table then takes a new object).
#include "io/fields.h"

#include <cstring>
#include <vector>

#include "io/globals.h"
#include "diag/oops.h"
#include "regex/regex.h"
#include "values/compare.h"
#include "values/alloc.h"
#include "values/convert.h"

Cell* awk_fields = nullptr;
int32_t* awk_pieceoff = nullptr;
int32_t* awk_piecelen = nullptr;
uint8_t* awk_pending = nullptr;
int32_t awk_pendinghigh = 0;
int32_t awk_fieldcap = 0;
int32_t awk_nf = 0;
bool awk_fsplit = false;
bool awk_fstale = false;

namespace {

constexpr int32_t kGrowStep = 400;

// The text that pending fields are pieces of.
AwkString* splitText = nullptr;

inline void growTo(int32_t n) {
  if (n > awk_fieldcap) awk_fieldgrow(n);
}

}  // namespace

// New cells are uninitialized and not pending.
void awk_fieldgrow(int32_t n) {
  if (n <= awk_fieldcap) return;
  // Geometric growth past the first steps: a record of a million fields
  // must not copy the table a thousand times.
  int32_t step = awk_fieldcap / 2 > kGrowStep ? awk_fieldcap / 2 : kGrowStep;
  int32_t cap = n > awk_fieldcap + step ? n : awk_fieldcap + step;
  if (cap > kMaxFields) cap = kMaxFields;
  auto* t = static_cast<Cell*>(respace(awk_fields, (cap + 1) * int32_t(sizeof(Cell))));
  std::memset(static_cast<void*>(t + awk_fieldcap + 1), 0,
              size_t(cap - awk_fieldcap) * sizeof(Cell));
  awk_fields = t;
  awk_pieceoff = static_cast<int32_t*>(respace(awk_pieceoff, (cap + 1) * int32_t(sizeof(int32_t))));
  awk_piecelen = static_cast<int32_t*>(respace(awk_piecelen, (cap + 1) * int32_t(sizeof(int32_t))));
  awk_pending = static_cast<uint8_t*>(respace(awk_pending, cap + 1));
  std::memset(awk_pending + awk_fieldcap + 1, 0, size_t(cap - awk_fieldcap));
  awk_fieldcap = cap;
}

namespace {

// Makes the string of a pending field.
inline void materialize(int32_t i) {
  if (awk_pending[i]) awk_fieldmake(i);
}

inline void setEmptyCell(Cell* c) {
  c->tag = Tag::Field;
  c->w.word = 0;
  c->w.s = stringDup(string_empty);
}

// Replaces cell i with an empty field.
void setEmpty(int32_t i) {
  awk_pending[i] = 0;
  awk_unaccess(&awk_fields[i]);
  setEmptyCell(&awk_fields[i]);
}

// Joins fields 1..NF with OFS into a new $0 of tag string.
void rebuild0() {
  awk_fstale = false;
  static std::vector<AwkString*> parts;
  parts.resize(size_t(awk_nf));
  int64_t total = 0;
  for (int32_t i = 1; i <= awk_nf; ++i) {
    materialize(i);
    parts[size_t(i - 1)] = awk_a2s(&awk_fields[i]);
    total += parts[size_t(i - 1)]->len;
  }
  if (awk_nf > 1) total += int64_t(awk_nf - 1) * awk_ofs->len;
  if (total > kNoLimit) {
    oops('w', "String $0 is too long, truncated.");
    total = kNoLimit;
  }
  AwkString* s = stringInit(uint32_t(total));
  s->len = 0;
  s->text()[0] = 0;
  uint32_t max = uint32_t(total);
  for (int32_t i = 1; i <= awk_nf; ++i) {
    if (i > 1) awk_stringAdd(s, awk_ofs, max);
    awk_stringAdd(s, parts[size_t(i - 1)], max);
    stringFree(parts[size_t(i - 1)]);
  }
  awk_unaccess(&awk_fields[0]);
  awk_fields[0].tag = Tag::String;
  awk_fields[0].w.word = 0;
  awk_fields[0].w.s = s;
}

// A field number given as unsigned: in range, or -1 after the message.
int32_t checkIndex(int32_t i, const char* message) {
  if (uint32_t(i) > uint32_t(kMaxFields)) {
    oops('w', message, i);
    return -1;
  }
  return i;
}

}  // namespace

void awk_fieldinit() {
  if (awk_fields) return;
  awk_fields = static_cast<Cell*>(spacec(2 * int32_t(sizeof(Cell))));
  awk_pieceoff = static_cast<int32_t*>(spacec(2 * int32_t(sizeof(int32_t))));
  awk_piecelen = static_cast<int32_t*>(spacec(2 * int32_t(sizeof(int32_t))));
  awk_pending = static_cast<uint8_t*>(spacec(2));
  awk_fieldcap = 1;
  awk_nf = 0;
  awk_fsplit = awk_fstale = false;
}

void awk_splitrecord() {
  if (awk_fsplit) return;
  if (!awk_fields) awk_fieldinit();
  AwkString* text = awk_a2s(&awk_fields[0]);
  if (awk_fpatere && !(awk_fsopt.tag == Tag::Int && awk_fsopt.w.i == 0) && !awk_printedfpatmsg) {
    awk_printedfpatmsg = true;
    oops('n', "Both FS and FPAT active: only FPAT will be used");
  }
  // The split flag goes up first: a message raised while splitting must not
  // start a second split of the same record.
  awk_fsplit = true;
  awk_nf = 0;
  awk_nf = awk_make_fields(text, nullptr, &awk_fsopt, awk_fpatere);
  stringFree(text);
}

void awk_piecesbegin(const AwkString* text) {
  if (!awk_fields) awk_fieldinit();
  // Marks of the previous split refer to its text.
  std::memset(awk_pending, 0, size_t(awk_pendinghigh) + 1);
  awk_pendinghigh = 0;
  AwkString* t = stringDup(const_cast<AwkString*>(text));
  if (splitText) stringFree(splitText);
  splitText = t;
}

int awk_dofield(int32_t i, const char* bytes, int32_t len) {
  if (i > kMaxFields) return 1;
  growTo(i);
  awk_pending[i] = 0;
  Cell* c = &awk_fields[i];
  // The cell's old string is overwritten when no one else holds it.
  AwkString* s;
  if ((c->tag == Tag::Field || c->tag == Tag::String) && c->w.s->ref == 1) {
    s = stringReuse(c->w.s, bytes, uint32_t(len));
  } else {
    cellRelease(c);
    s = len == 0 ? stringDup(string_empty) : stringNew1(bytes, uint32_t(len));
  }
  cellSetHead(c, Tag::Field);
  c->w.s = s;
  return 0;
}

AwkString* awk_nextrecord(const char* bytes, uint32_t len) {
  if (awk_fields) {
    Cell* c = &awk_fields[0];
    AwkString* s = c->w.s;
    // Held by cell 0 and perhaps by the last split, whose reference stays
    // (the next split replaces it; its pieces are not read before then).
    if ((c->tag == Tag::Field || c->tag == Tag::String) &&
        s->ref == (s == splitText ? 2 : 1) && stringRoom(s) >= len) {
      cellSetUninit(c);
      std::memcpy(s->text(), bytes, len);
      s->len = len;
      s->text()[len] = 0;
      return s;
    }
  }
  return stringNew1(bytes, len);
}

void awk_fieldmake(int32_t i) {
  const char* bytes = splitText->text() + awk_pieceoff[i];
  const uint32_t len = uint32_t(awk_piecelen[i]);
  Cell* c = &awk_fields[i];
  // The field's old string is overwritten when no one else holds it.
  if (c->tag == Tag::Field && stringHasRoom(c->w.s, len)) {
    awk_pending[i] = 0;
    AwkString* s = c->w.s;
    stringBytes(s->text(), bytes, len);
    s->len = len;
    s->text()[len] = 0;
    return;
  }
  awk_dofield(i, bytes, int32_t(len));
}

int32_t awk_getfieldslow(int32_t i, Cell* out) {
  i = checkIndex(i, "Out of range field reference: $%d");
  if (!awk_fields) awk_fieldinit();
  if (i < 0) {
    setEmptyCell(out);
    return kMaxFields;
  }
  if (i == 0) {
    if (awk_fstale) rebuild0();
  } else {
    awk_splitrecord();
    if (i > awk_nf) {   // the empty field, without growing the table to i
      setEmptyCell(out);
      return i;
    }
    materialize(i);
  }
  cellCopyRef(out, &awk_fields[i]);
  return i;
}

void awk_setfield(int32_t i, Cell* value) {
  i = checkIndex(i, "Out of range field assignment: $%d");
  if (i < 0) {   // no such field: the value goes nowhere
    awk_unaccess(value);
    return;
  }
  if (!awk_fields) awk_fieldinit();
  growTo(i);
  if (i == 0) {
    awk_fsplit = false;
    awk_fstale = false;
  } else {
    awk_splitrecord();
    awk_fstale = true;
    if (i > awk_nf) {
      for (int32_t k = awk_nf + 1; k < i; ++k) setEmpty(k);
      awk_nf = i;
    }
  }
  awk_pending[i] = 0;
  awk_unaccess(&awk_fields[i]);
  awk_fields[i] = *value;
}

void awk_setrecordslow(AwkString* s, Tag tag) {
  if (!awk_fields) awk_fieldinit();
  awk_fsplit = false;
  awk_fstale = false;
  awk_pending[0] = 0;
  Cell* c = &awk_fields[0];
  awk_unaccess(c);
  cellSetHead(c, tag);
  c->w.s = s;
}

// A pattern used as a condition matches the record (values/compare.h).
[[gnu::used]] static const bool recordMatchSet = [] {
  awk_recordmatch = [](AwkPattern* re) {
    if (const AwkString* own = awk_peek0())
      return int(awk_rematches(re, own->text(), int32_t(own->len), kReFirst));
    AwkString* rec = awk_get0();
    const int r = awk_rematches(re, rec->text(), int32_t(rec->len), kReFirst);
    stringFree(rec);
    return r;
  };
  return true;
}();

AwkString* awk_get0() {
  if (!awk_fields) awk_fieldinit();
  if (awk_fstale) rebuild0();
  return awk_a2s(&awk_fields[0]);
}

void awk_vNF(int set, Cell* cell, void* /*arg*/) {
  awk_splitrecord();
  if (!set) {
    cellSetInt(cell, awk_nf);
    return;
  }
  int32_t n = awk_a2l(cell);
  if (n <= 0) {
    oops('e', "invalid assignment to NF");
    n = 1;
  }
  if (n > kMaxFields) {
    oops('e', "attempt to set NF greater than %d", kMaxFields);
    n = kMaxFields;
  }
  growTo(n);
  for (int32_t k = awk_nf + 1; k <= n; ++k) setEmpty(k);
  awk_nf = n;
  awk_fstale = true;
}

void awk_stringAdd(AwkString* dst, const AwkString* src, uint32_t max) {
  if (dst->len >= max) return;
  uint32_t n = src->len;
  if (n > max - dst->len) n = max - dst->len;
  std::memcpy(dst->text() + dst->len, src->text(), n);
  dst->len += n;
  dst->text()[dst->len] = 0;
}
