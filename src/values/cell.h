// Value cells and the evaluation stack.
//
// A cell (image::kCellSize bytes, the unit of local offsets in images) is a
// tag, four frame-only aux fields, an 8-byte payload word and 8 more bytes
// (the double, or a second pointer). Cells of the counted
// types own one reference to what their word points at; copying a cell into
// a second owner takes a reference (awk_access), dropping one gives it back
// (awk_unaccess), moving one needs neither.
//
// The stack grows downward over 5,020 static cells; awk_sp is the top cell.
// Only frame builds and local reservations check for overflow (at or below
// cell kStackLowMark); the cells below that mark are the head-room for
// unchecked pushes that compiled code is held to (image::kStackHeadroom).
#pragma once
#include <cstdint>

#include "image/format.h"
#include "values/strobj.h"

struct AwkTable;    // arrays/table.h
struct AwkStream;   // io/stream.h
struct AwkPattern;  // regex/pattern.h

enum class Tag : uint16_t {
  Uninit = 0,
  Int = 1,
  Float = 2,
  String = 3,
  Field = 4,
  Array = 5,
  FileId = 6,
  Regex = 7,
  Ref = 8,
  Address = 9,
  VmString = 10,
  VmField = 11,
  PackedArray = 12,
  RawPointer = 13,
  FrameMain = 29,    // the main function's frame (record loop)
  FrameCall = 30,    // a call made by bytecode
  FrameNative = 31,  // a call made by native code
};

// Kinds of a Tag::Ref cell, kept in aux8a.
enum class RefKind : uint8_t {
  Global = 1,    // w.i = gid
  Special = 2,   // w.i = gid (kSpecialFirst + index)
  Local = 3,     // w.cell = the stack cell
  Field = 4,     // w.i = field number
  Element = 5,   // w.table, x.key (both owned)
};

inline constexpr int16_t kUnlimitedDecimals = 400;

struct Cell {
  Tag tag;
  uint8_t aux8a;     // frames: arguments supplied; refs: RefKind
  uint8_t aux8b;     // frames: parameter cells pushed
  int16_t aux16a;    // frames: caller's line number
  uint16_t aux16b;   // frames: caller's function gid
  union {
    int32_t i;       // int; gid or field number of a reference
    int16_t dec;     // float: decimals count (first half of the word)
    AwkString* s;    // string, field, vmstring, vmfield, address
    AwkTable* t;     // array, packed array, element reference
    AwkStream* f;    // fileid
    AwkPattern* re;  // regular expression
    Cell* cell;      // local reference
    void* p;         // raw pointer
    intptr_t word;
  } w;
  union {
    double d;        // float value
    AwkString* key;  // element reference key
    intptr_t word2;  // frames: caller's frame as a byte offset from the stack base
    void* p2;
  } x;
};
static_assert(sizeof(Cell) == vorn::image::kCellSize, "value cells have the size images assume");

extern const char* const awk_typenames[14];

// Reference counting of the object a cell names (tags above Float only).
//
// Tables, streams and compiled patterns are defined by layers above this
// one (arrays/, io/, regex/). Each of them fills its entry of awk_ownerops
// with a static initializer in the file that constructs its objects, so the
// entry is set whenever a cell naming such an object can exist.
struct AwkOwnerOps {
  void (*take)(void* object);                 // one more reference
  void (*give)(void* object);                 // one reference given back
  int32_t (*number)(const void* object);      // the value as a number
  AwkString* (*text)(const void* object);     // the value as a new string; null: the number's text
};
enum class OwnerKind : int { Table = 0, Stream = 1, Pattern = 2 };
extern AwkOwnerOps awk_ownerops[3];
inline const AwkOwnerOps& awk_owner(OwnerKind k) { return awk_ownerops[int(k)]; }
void awk_access(Cell* c);
void awk_unaccess(Cell* c);

// Evaluation stack.
inline constexpr int kStackCells = 5020;
inline constexpr int kStackTopCell = 4999;
inline constexpr int kStackLowMark = vorn::image::kStackHeadroom;
extern Cell awk_stack[kStackCells];
extern Cell* awk_sp;        // top cell; a push lowers it by one cell
extern Cell* awk_fp;        // current frame cell
extern Cell* awk_spmax;     // &awk_stack[kStackLowMark]: overflow when awk_sp <= awk_spmax
extern Cell* const awk_stackbase;
extern Cell* awk_retval;    // result cell of the builtin now running
extern const char msg_stackoverflow[];

int awk_restackavail();     // bytes between the stack's low end and the top

// Cell helpers used everywhere.
//
// Cells are written and copied in whole 8-byte units (the header with tag
// and aux fields, the word, the second word). A cell written piecewise and
// then copied with wider loads defeats the processor's store-to-load
// forwarding and stalls every push/store pair of the dispatch loop.
inline void cellSetHead(Cell* c, Tag t) {
  uint64_t h = uint16_t(t);
  __builtin_memcpy(c, &h, 8);
}
// Copies the cell as three 8-byte moves through general registers (the
// empty asm keeps the compiler from merging them into a 16-byte load).
inline void cellCopy(Cell* dst, const Cell* src) {
  uint64_t a, b, c;
  const char* s = reinterpret_cast<const char*>(src);
  __builtin_memcpy(&a, s, 8);
  __builtin_memcpy(&b, s + 8, 8);
  __builtin_memcpy(&c, s + 16, 8);
  asm("" : "+r"(a), "+r"(b), "+r"(c));
  char* d = reinterpret_cast<char*>(dst);
  __builtin_memcpy(d, &a, 8);
  __builtin_memcpy(d + 8, &b, 8);
  __builtin_memcpy(d + 16, &c, 8);
}
inline void cellSetInt(Cell* c, int32_t v) { cellSetHead(c, Tag::Int); c->w.word = v; }
inline void cellSetFloat(Cell* c, double v, int16_t dec) {
  cellSetHead(c, Tag::Float);
  c->w.word = uint16_t(dec);
  c->x.d = v;
}
// Takes ownership of s.
inline void cellSetString(Cell* c, AwkString* s) { cellSetHead(c, Tag::String); c->w.s = s; }
inline void cellSetUninit(Cell* c) { cellSetHead(c, Tag::Uninit); c->w.word = 0; }
// Releases what a cell owns (awk_unaccess), with strings, by far the most
// common owners, given back inline.
inline void cellRelease(Cell* c) {
  const Tag t = c->tag;
  if (t <= Tag::Float) return;
  if (t == Tag::String || t == Tag::Field)
    stringFree(c->w.s);
  else
    awk_unaccess(c);
}
// Copies *src into *dst with a reference of its own (awk_access).
inline void cellCopyRef(Cell* dst, const Cell* src) {
  const Tag t = src->tag;
  cellCopy(dst, src);
  if (t <= Tag::Float) return;
  if (t == Tag::String || t == Tag::Field)
    stringDup(src->w.s);
  else
    awk_access(dst);
}
inline bool cellIsStringy(const Cell* c) {
  return c->tag == Tag::String || c->tag == Tag::Field || c->tag == Tag::VmString ||
         c->tag == Tag::VmField;
}
