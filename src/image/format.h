// The program image format shared by the compiler and the run-time.
//
// An image is a 1276-byte root record followed by numbered segments (at most
// 600, each at most 32,767 bytes, size 0 = absent). Everything multi-byte is
// big-endian. A virtual address is segment << 16 | offset; 0 means none.
// An image appended to an executable is followed by a 4-byte big-endian count
// of the image's bytes (the trailer).
#pragma once
#include <cstdint>

namespace vorn::image {

inline constexpr uint32_t kMagic = 0x5678DCCE;
inline constexpr uint32_t kVersion = 0x3205DFC7;
inline constexpr int kRootSize = 1276;
inline constexpr int kMaxSegments = 600;
inline constexpr int kMaxSegmentSize = 32767;
inline constexpr int kTrailerSize = 4;
inline constexpr int kFunctionHeaderSize = 10;
inline constexpr int kModuleEntrySize = 20;

// The run-time's value cell, the unit of its evaluation stack: local
// operands are signed multiples of it from the frame cell (positive:
// parameters, negative: locals).
inline constexpr int kCellSize = 24;
// Working cells code may push without a check: the run-time keeps this many
// cells below its overflow mark, and the compiler and the load-time checker
// refuse code whose stack height could exceed it.
inline constexpr int kStackHeadroom = 40;

// Byte offsets of the root record's fields.
namespace root {
inline constexpr int kMagic = 0;             // u32
inline constexpr int kVersion = 4;           // u32
inline constexpr int kSymbolTable = 8;       // u32 vaddr
inline constexpr int kModuleTable = 12;      // u32 vaddr
inline constexpr int kFunctionTable = 16;    // u32 vaddr
inline constexpr int kExternTable = 20;      // u32 vaddr, 0 if none
inline constexpr int kModuleCount = 24;      // i16
inline constexpr int kFunctionCount = 26;    // i16
inline constexpr int kExternCount = 28;      // i16
inline constexpr int kGlobalCount = 30;      // i16
inline constexpr int kInitFunction = 32;     // i16 gid
inline constexpr int kMainFunction = 34;     // i16 gid
inline constexpr int kEnd1Function = 36;     // i16 gid
inline constexpr int kEnd2Function = 38;     // i16 gid
inline constexpr int kExitFunction = 40;     // i16 gid
inline constexpr int kBegin2Function = 42;   // i16 gid
inline constexpr int kBegin1Function = 44;   // i16 gid
inline constexpr int kBeginFileFunction = 46;  // i16 gid
inline constexpr int kEndFileFunction = 48;  // i16 gid
inline constexpr int kCompilerArea1 = 50;    // 6 bytes, not read by the run-time
inline constexpr int kStoredArgs = 56;       // u32 vaddr, 0 if none
inline constexpr int kFlags = 60;            // i16
inline constexpr int kCompilerArea2 = 62;    // 6 bytes, not read by the run-time
inline constexpr int kBuildStamp = 68;       // u32
inline constexpr int kSegmentCount = 72;     // u32, 0..600
inline constexpr int kSegmentSizes = 76;     // 600 x i16
}  // namespace root

// Bits of the root record's flags word.
namespace flags {
inline constexpr int kDebugErrors = 0x01;    // E errors do not end the run
inline constexpr int kLoaderTrace = 0x02;
inline constexpr int kStoredArgsUsed = 0x04; // set at run time
inline constexpr int kNoOptions = 0x08;      // operands are not parsed for options
inline constexpr int kNoMainFastPath = 0x20;
}  // namespace flags

// Function header: five u16.
namespace fnhdr {
inline constexpr int kKind = 0;
inline constexpr int kParamCount = 2;
inline constexpr int kLocalCount = 4;
inline constexpr int kModule = 6;            // 0xFFFF for generated functions
inline constexpr int kLength = 8;            // header included
}  // namespace fnhdr
inline constexpr uint16_t kGeneratedModule = 0xFFFF;

// gid ranges. A builtin's gid is its slot; a special variable's operand is
// its gid - kSpecialFirst; globals start with the predefined ones.
namespace gid {
inline constexpr int kBuiltinFirst = 1, kBuiltinLast = 120;
inline constexpr int kSpecialFirst = 200, kSpecialLast = 236;
inline constexpr int kFunctionFirst = 1000, kFunctionLast = 2999;
inline constexpr int kGlobalFirst = 8000, kGlobalLast = 9999;
inline constexpr int kExternFirst = 10000, kExternLast = 11999;
}  // namespace gid

// Symbol record kinds (bits 28-31 of a record's first word).
namespace symkind {
inline constexpr int kModuleOnly = 0;
inline constexpr int kFunction = 1;
inline constexpr int kGlobal = 4;
inline constexpr int kSkipped = 11;
inline constexpr int kPredefinedGlobal = 12;
inline constexpr int kSpecialVariable = 13;
inline constexpr int kBuiltin = 14;
}  // namespace symkind

// Definition kinds (bits 28-31 of a definition's info word).
namespace defkind {
inline constexpr int kFunction = 1;
inline constexpr int kModuleFunction = 2;   // also the phase entry points ":BEGIN" ...
inline constexpr int kUnused = 3;
inline constexpr int kGlobal = 4;
inline constexpr int kModuleVariable = 5;
inline constexpr int kModuleVariable2 = 6;
}  // namespace defkind
inline constexpr int kPredefinedModule = 0x1FF;
inline constexpr int kSymbolRecordHeader = 8;
inline constexpr int kSymbolDefinitionSize = 12;

// Builtin records: flag word bit that allows a call by name.
inline constexpr uint16_t kBuiltinCallable = 0x800;

// Symbol-table object in the image (20 bytes) and its 12-byte slots.
namespace symtab {
inline constexpr int kUseCount = 0;     // u16
inline constexpr int kKind = 2;         // u8 (1)
inline constexpr int kEntrySize = 3;    // u8 (12)
inline constexpr int kSignalFlag = 4;   // u8
inline constexpr int kSizeExponent = 6; // u16
inline constexpr int kCapacity = 8;     // i32
inline constexpr int kCount = 12;       // i32
inline constexpr int kSlots = 16;       // u32 vaddr of slots, or of the chunk directory above 256
inline constexpr int kObjectSize = 20;
inline constexpr int kSlotSize = 12;    // u32 hash, u32 key vaddr, u32 record vaddr
inline constexpr int kChunkSlots = 256;
}  // namespace symtab

// String object: u32 length, i16 reference count, 2 bytes padding, the bytes,
// a NUL. The same layout in the image (big-endian) and in memory (native).
inline constexpr int kStringHeader = 8;

// Special variables: X(index, name); gid = 200 + index.
#define VORN_SPECIAL_VARIABLES(X) \
  X(0, RS) X(1, FS) X(2, FPAT) X(3, NF) X(4, RECLEN) X(5, RAWMODE)             \
  X(6, STACKAVAIL) X(7, MEMAVAIL) X(8, CONVFMT) X(9, OFMT) X(10, OFS)          \
  X(11, ORS) X(12, SUBSEP) X(13, TMPDIR) X(14, FILENAME) X(15, DLLS)           \
  X(16, SORTTYPE) X(17, ERRNO) X(18, ERRNO_OS) X(19, ERRNO_CRIT)               \
  X(20, XMSLIMIT) X(21, XMSRESIZE) X(22, EMSLIMIT) X(23, WARNINGS) X(24, FNR)  \
  X(25, NR) X(26, MASK87) X(27, FLOATMASK) X(28, PROGLN) X(29, PROGFN)         \
  X(30, PROGTIME) X(31, PROGCTIME) X(32, SYMINFO) X(33, FUNINFO)               \
  X(34, SIGNAL) X(35, MALLOCS) X(36, BUFSIZE)
inline constexpr int kSpecialCount = 37;

// Predefined globals: X(index, name); gid = 8000 + index.
#define VORN_PREDEFINED_GLOBALS(X) \
  X(0, ARGC) X(1, ARGI) X(2, ARGV) X(3, ENV) X(4, ENVIRON) X(5, FILEMODE)      \
  X(6, OSMODE) X(7, PID) X(8, PROMPT) X(9, RLENGTH) X(10, RSM) X(11, RSTART)   \
  X(12, SYSSWAP) X(13, VENDOR) X(14, VERSION) X(15, stderr) X(16, stdin)       \
  X(17, stdout)
inline constexpr int kPredefinedCount = 18;

namespace pv {
#define VORN_PV_ENUM(i, name) name = i,
enum : int { VORN_SPECIAL_VARIABLES(VORN_PV_ENUM) };
#undef VORN_PV_ENUM
}  // namespace pv

namespace predef {
#define VORN_PREDEF_ENUM(i, name) g_##name = gid::kGlobalFirst + i,
enum : int { VORN_PREDEFINED_GLOBALS(VORN_PREDEF_ENUM) };
#undef VORN_PREDEF_ENUM
}  // namespace predef

// Names held in the tables, not pointed at: constant data that a program's
// start need not relocate.
inline constexpr char kSpecialNames[kSpecialCount][16] = {
#define VORN_PV_NAME(i, name) #name,
    VORN_SPECIAL_VARIABLES(VORN_PV_NAME)
#undef VORN_PV_NAME
};

inline constexpr char kPredefinedNames[kPredefinedCount][16] = {
#define VORN_PREDEF_NAME(i, name) #name,
    VORN_PREDEFINED_GLOBALS(VORN_PREDEF_NAME)
#undef VORN_PREDEF_NAME
};

// Big-endian access to image bytes.
inline uint16_t be16(const unsigned char* p) { return uint16_t(p[0] << 8 | p[1]); }
inline uint32_t be32(const unsigned char* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}
constexpr void putBe16(unsigned char* p, uint16_t v) { p[0] = uint8_t(v >> 8); p[1] = uint8_t(v); }
constexpr void putBe32(unsigned char* p, uint32_t v) {
  p[0] = uint8_t(v >> 24); p[1] = uint8_t(v >> 16); p[2] = uint8_t(v >> 8); p[3] = uint8_t(v);
}

// The binding marker: 12 bytes in the run-time's initialised data that read
// "X1X2X3X4X" and three NULs while no image is bound to it.
inline constexpr char kBindMarker[12] = {'X','1','X','2','X','3','X','4','X',0,0,0};

}  // namespace vorn::image
