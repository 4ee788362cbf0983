// Packed binary strings: the format language shared by pack and unpack, the
// packing engine and the unpacking worker (also used by timetab and stat).
//
// A format is a list of items `name@[count][modifiers]letter` separated by
// blanks; the prefixes `#` (align), `<` (little-endian) and `>` (big-endian)
// before a name stay in force to the end of the format. Multi-byte fields
// are big-endian unless `<` says otherwise; pointers (`p`) are 8 bytes.
#pragma once
#include <cstddef>
#include <cstdint>

#include "values/cell.h"
#include "values/strobj.h"

struct AwkTable;

// Counts and result lengths never pass this.
inline constexpr uint32_t kPackLimit = uint32_t(kStringLimit);

// One parsed item.
struct PackItem {
  const char* name;   // the bytes before '@' (possibly none)
  uint32_t namelen;
  uint32_t count;     // 1 unless given
  bool explicitCount;
  bool little;        // byte order of this item
  bool align;         // align multi-byte fields to their size
  bool plus;          // pad on the left (pack) / strip leading pad (unpack)
  bool raw;           // take a string field unchanged (unpack)
  char letter;
};

// Parse state over one format; the sticky prefixes start off at every call.
struct PackParser {
  const char* p;
  const char* end;
  const char* who;    // "pack" or "unpack", for "Bad %s format string"
  bool little;
  bool align;
};

void awk_packstart(PackParser* ps, const char* fmt, uint32_t len, const char* who);
// The next item with a nonzero count: 1, or 0 at the end of the format, or
// -1 after reporting a malformed item (processing stops there).
int awk_packitem(PackParser* ps, PackItem* item);
// Reports "Bad %s format string" for the parser's caller; returns -1.
int awk_packbad(const PackParser* ps);

// Bytes a numeric letter occupies (0 for the string letters, x and X).
int awk_packsize(char letter);

// Packs with values taken from args (argc of them; missing ones count as
// uninitialized) or, when array is not null, from its elements (named items
// by name, unnamed ones by the next number). The result is a new string.
AwkString* awk_pack(const char* fmt, uint32_t fmtlen, Cell* args, int argc, Cell* array);

// Unpacks len bytes into the array t (elements are added, none removed).
// Returns 1 when unpacking stopped because the data ran out before the
// format did, else 0.
int awk_unpack(const char* fmt, uint32_t fmtlen, const unsigned char* bytes, size_t len,
               AwkTable* t);
