// Fields and the record: $0, $1..$NF and NF, split lazily on first use and
// $0 rebuilt from the fields when they were assigned.
#pragma once
#include <cstdint>

#include "values/cell.h"
#include "values/strobj.h"

struct AwkTable;
struct AwkPattern;

// The highest field number. A record keeps every field it has up to this
// (the table of cells must stay addressable by a 32-bit byte count). A
// fuzzing build lowers it, as it lowers the string limit (values/strobj.h).
#ifdef VORN_FUZZ_LIMITS
inline constexpr int32_t kMaxFields = 100000;
#else
inline constexpr int32_t kMaxFields = 50000000;
#endif

// The field table: cells 0..awk_fieldcap, cell 0 is $0. Cells above NF may
// hold stale values.
extern Cell* awk_fields;
extern int32_t awk_fieldcap;
extern int32_t awk_nf;               // NF
extern bool awk_fsplit;              // the current $0 has been split
extern bool awk_fstale;              // a field or NF was assigned: rebuild $0

// Field separator state (set by the FS and FPAT handlers).
extern Cell awk_fsval;               // FS as assigned (what reading FS yields)
extern Cell awk_fsopt;               // FS in usable form: string, pattern or int 0
extern AwkPattern* awk_fpatere;      // FPAT compiled, or null
extern bool awk_printedfpatmsg;      // the FS-and-FPAT note was shown

// Creates the field table (cells 0 and 1, uninitialized).
void awk_fieldinit();

// Copies field i (taken as unsigned; above kMaxFields warns and yields the
// empty field) into out with a reference of its own; returns the index used.
// Inline (at the end) for a field of a record already split.
int32_t awk_getfieldslow(int32_t i, Cell* out);
void awk_fieldmake(int32_t i);   // makes the string of pending field i
// Assigns field i; the value's reference moves in.
void awk_setfield(int32_t i, Cell* value);
// $0 as a new reference, rebuilt first if stale.
AwkString* awk_get0();
// Sets cell i to a field value of the bytes; 1 (nothing done) above kMaxFields.
int awk_dofield(int32_t i, const char* bytes, int32_t len);
// A new string of the bytes for the next record, to be stored as $0 at
// once: the current $0's object, taken out of cell 0 and overwritten, when
// only the field table holds it, so that reading records allocates nothing.
AwkString* awk_nextrecord(const char* bytes, uint32_t len);

// Splits text into fields: into the field table (target null) or into the
// array target, which ends holding the pieces under keys 1, 2, ... and
// nothing else. fpat, when set, wins over fs. Returns the number of fields
// produced.
int32_t awk_make_fields(const AwkString* text, AwkTable* target, Cell* fs, AwkPattern* fpat);

// The splitting engine's way into the field table: fields are recorded as
// pieces of one text and become strings only when they are used. Begin
// takes a reference to the text; a piece above 10000 returns 1.
void awk_piecesbegin(const AwkString* text);
void awk_fieldgrow(int32_t n);          // makes cell n exist (n <= 10000)
extern int32_t* awk_pieceoff;           // pending field i: its offset ...
extern int32_t* awk_piecelen;           // ... and length in the split text
extern uint8_t* awk_pending;            // 1: cell i is stale, the piece is the field
extern int32_t awk_pendinghigh;         // no pending mark above this cell
inline int awk_piece(int32_t i, int32_t offset, int32_t len) {
  if (i > kMaxFields) return 1;
  if (i > awk_fieldcap) awk_fieldgrow(i);
  awk_pieceoff[i] = offset;
  awk_piecelen[i] = len;
  awk_pending[i] = 1;
  if (i > awk_pendinghigh) awk_pendinghigh = i;
  return 0;
}

// Splits $0 now if it has not been split.
void awk_splitrecord();

// NF's special-variable handler.
void awk_vNF(int set, Cell* cell, void* arg);

// Appends src to dst (built in place, capacity at least max), keeping dst
// at most max bytes and NUL-terminated.
void awk_stringAdd(AwkString* dst, const AwkString* src, uint32_t max);

// Makes s (tagged `tag`, a string tag) the record, as assigning $0 does,
// without the checks an assignment to any field needs. Inline for the main
// loop, where the reader has just emptied cell 0 to reuse its string.
void awk_setrecordslow(AwkString* s, Tag tag);
inline void awk_setrecord(AwkString* s, Tag tag) {
  if (!awk_fields || awk_fields[0].tag != Tag::Uninit) return awk_setrecordslow(s, tag);
  awk_fsplit = false;
  awk_fstale = false;
  awk_pending[0] = 0;
  cellSetHead(&awk_fields[0], tag);
  awk_fields[0].w.s = s;
}

// The record's text for a reader that only looks at it before anything
// else runs (a pattern match): $0's own string when it holds one and no
// rebuild is pending, else null (then awk_get0).
inline const AwkString* awk_peek0() {
  if (!awk_fields || awk_fstale) return nullptr;
  const Cell& c = awk_fields[0];
  return c.tag == Tag::String || c.tag == Tag::Field ? c.w.s : nullptr;
}

inline int32_t awk_getfield(int32_t i, Cell* out) {
  if (!awk_fsplit || uint32_t(i) - 1 >= uint32_t(awk_nf)) return awk_getfieldslow(i, out);
  if (awk_pending[i]) awk_fieldmake(i);
  cellCopyRef(out, &awk_fields[i]);
  return i;
}
