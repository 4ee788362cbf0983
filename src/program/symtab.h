// The program's symbol table and global variables.
//
// Compiled code names things by gid; names matter only where the command
// line or AWK code names something at run time. The image's symbol table is
// an open-addressing hash table whose slots hold 32-bit virtual addresses,
// which cannot carry host pointers, so loading builds a native side table
// with the same capacity and slot positions (key string and record address
// per slot) and lookups probe it exactly as the compiler hashed the names.
// Symbol records stay in the image, big-endian, and are read in place.
#pragma once
#include <cstdint>
#include <string_view>

#include "image/format.h"
#include "values/cell.h"

// ---- globals -----------------------------------------------------------------
extern Cell* awk_globvars;      // awk_ngvars cells, uninitialized at start
extern int32_t awk_ngvars;
inline Cell* awk_gvar(int gid) { return awk_globvars + (gid - vorn::image::gid::kGlobalFirst); }

// ---- the native side table -------------------------------------------------------
// Built from the image's table at the first name lookup, not at load: most
// programs never look a name up, and the table fills pages of its own.
struct AwkSymSlot {
  AwkString* key;       // the name, shared with the image
  uint32_t hash;        // 0 = free slot
  uint32_t record;      // virtual address of the symbol record
};
struct AwkSymtab {
  int32_t capacity;
  int32_t count;
  AwkSymSlot* slots;    // capacity entries
};
// The table of the loaded image, built on the first call; null when the
// image has none.
const AwkSymtab* awk_symbols();

// Drops the table of the image loaded before and lets awk_symbols build the
// loaded image's (called while loading).
void awk_vtransfer();
void awk_symtab_reset();

// Record address of name in t, 0 when absent.
uint32_t awk_getr(const AwkSymtab* t, std::string_view name);

// ---- symbol records (read in the image) -------------------------------------------
struct AwkSymRecord {
  int kind;                     // symkind::*
  int gid;                      // primary definition, 0 for module-only names
  int ndefs;
  const unsigned char* base;    // the record, big-endian
};
struct AwkSymDef {
  int kind;                     // defkind::*
  int module;                   // 0x1FF for predefined names
  int gid;                      // the low half of info (type information for predefined names)
  int line;
  int flags;
};
// Decodes the record at vaddr (an invalid address is "invalid vmid").
AwkSymRecord awk_symrecord(uint32_t vaddr);
AwkSymDef awk_symdef(const AwkSymRecord& r, int i);
// Builtin records: the three u16 words at record offsets 8, 10, 12.
uint16_t awk_symword(const AwkSymRecord& r, int offset);

// ---- lookups and access by gid or name ---------------------------------------------
// Status convention: 0 success, a small positive number for failure.
// gid of name (possibly module-qualified "module:name"), 0 if none; the
// record's virtual address in *record when asked.
int awk_gname2gid(std::string_view name, uint32_t* record = nullptr);

// ---- modules ---------------------------------------------------------------------
AwkString* awk_gid2filename(int gid);     // new string or null
int awk_filename2modno(std::string_view name);   // -1 if none
void awk_modno2filename(char* buf, int bufsize, int n);
// Part of path after the last slash or backslash, cut at its first dot.
char* awk_basename(char* buf, int bufsize, const char* path);

