// The loaded program image as the run-time sees it: the root record, the
// segments in memory, the function and extern tables, the translation of
// virtual addresses, and the readers of prepared code.
//
// The loader (runtime/loader.cpp) fills this state once; after a
// successful load every function's code has been decoded and checked, and
// its operands rewritten in the host's byte order (runtime/verify.cpp). The
// accessors below read those native operands; the interpreter never has to
// check an image again.
#pragma once
#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "image/format.h"

static_assert(std::endian::native == std::endian::little,
              "operand layout assumes a little-endian host");

// ---- loader state --------------------------------------------------------
extern unsigned char rootbuf[vorn::image::kRootSize];  // the root record as read
extern unsigned char* awk_segbase[vorn::image::kMaxSegments];  // null = absent
extern int32_t awk_segsize[vorn::image::kMaxSegments];        // bytes read per segment
extern unsigned char** awk_funaddrs;    // function headers by gid - kFunctionFirst; null = none
extern int32_t awk_nfuncs;              // entries of awk_funaddrs
extern uint32_t* awk_externtab;         // the extern table's words, unchanged
extern int32_t awk_nexterns;
extern uint32_t awk_modtab;             // virtual address of the module table
extern int32_t awk_nmodules;
extern uint32_t awk_vargs;              // stored argument list, 0 if none
extern uint32_t awk_buildstamp;         // last accepted build stamp, 0 if none
extern int awk_vm_debug;                // loader tracing (image flag bit 1)

extern uint32_t* awk_funvaddrs;          // the function table as read, for deferred errors

// ---- root record -----------------------------------------------------------
inline int16_t rootI16(int off) { return int16_t(vorn::image::be16(rootbuf + off)); }
inline uint32_t rootU32(int off) { return vorn::image::be32(rootbuf + off); }

// ---- addresses ---------------------------------------------------------------
// Memory address of a virtual address. An absent segment, or an offset at or
// beyond the segment's size, is the internal error "invalid vmid: %d".
unsigned char* vm_v2pcode(uint32_t vaddr);
// Bytes from vaddr to the end of its segment; 0 when it is not inside one.
// Inline: loading an image asks this of every object it names.
inline int32_t vm_room(uint32_t vaddr) {
  int seg = int16_t(vaddr >> 16);
  uint32_t off = vaddr & 0xFFFF;
  if (seg < 0 || seg >= vorn::image::kMaxSegments || !awk_segbase[seg] || off >= uint32_t(awk_segsize[seg]))
    return 0;
  return awk_segsize[seg] - int32_t(off);
}
// Header of function gid; a gid without code is an internal error.
unsigned char* awk_funaddr(int gid);

// The name list stored after function gid's code ("p1 p2;l1 l2"), empty
// when the function has none or the list does not end inside its segment.
std::string_view awk_funnames(int gid);

// ---- prepared code -----------------------------------------------------------
// Function header fields, native after loading.
inline uint16_t fnU16(const unsigned char* hdr, int off) {
  uint16_t v; std::memcpy(&v, hdr + off, 2); return v;
}
inline uint16_t fnParamCount(const unsigned char* hdr) { return fnU16(hdr, vorn::image::fnhdr::kParamCount); }
inline uint16_t fnLocalCount(const unsigned char* hdr) { return fnU16(hdr, vorn::image::fnhdr::kLocalCount); }
inline uint16_t fnModule(const unsigned char* hdr) { return fnU16(hdr, vorn::image::fnhdr::kModule); }
inline uint16_t fnLength(const unsigned char* hdr) { return fnU16(hdr, vorn::image::fnhdr::kLength); }

// Operands, read at pc (the first byte of the operand). Every 16-bit unit is
// native; a 'w'/'a'/'r' operand (low unit first) is therefore one native
// 32-bit word, and a 'd' operand is a native double followed by a u16.
inline uint8_t opByte(const unsigned char* pc) { return pc[0]; }           // b, and each byte of p
inline uint16_t opU16(const unsigned char* pc) { uint16_t v; std::memcpy(&v, pc, 2); return v; }
inline int16_t opI16(const unsigned char* pc) { int16_t v; std::memcpy(&v, pc, 2); return v; }
inline int32_t opI32w(const unsigned char* pc) { int32_t v; std::memcpy(&v, pc, 4); return v; }
inline uint32_t opU32w(const unsigned char* pc) { uint32_t v; std::memcpy(&v, pc, 4); return v; }
inline void opSetU32w(unsigned char* pc, uint32_t v) { std::memcpy(pc, &v, 4); }  // pattern rewrites
inline double opF64(const unsigned char* pc) { double v; std::memcpy(&v, pc, 8); return v; }
inline int16_t opDecimals(const unsigned char* pc) { return opI16(pc + 8); }  // after a 'd' double
// Jump target of a 'j' operand at pc (relative to the operand unit itself).
inline unsigned char* opJump(unsigned char* pc) { return pc + opI16(pc); }
