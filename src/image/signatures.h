// The builtin signatures: for every slot, its argument counts and the type
// each argument is converted to before the call. The compiler emits those
// conversions, and the builtin symbol records that call-by-name reads are
// made from the same table, so both agree by construction.
//
// The image keeps 3 bits per argument for the first five arguments only;
// the compiler knows up to kMaxTypedArgs argument types and, past them, the
// type of every further argument (`rest`).
#pragma once
#include <cstdint>
#include <string_view>

#include "image/builtins.h"
#include "image/format.h"

namespace vorn::image {

// Argument type codes, as stored in a builtin's type word.
enum class ArgType : uint8_t {
  Any = 0,      // pushed as it is
  Int = 1,      // op_toint
  Float = 2,    // op_tofloat
  String = 3,   // op_tostr
  Ref = 4,      // a reference to a variable, field or element
  Array = 5,    // an array (a variable is made one)
  Pattern = 6,  // a regular-expression constant stays a pattern
  Stream = 7,   // a file name or a fileid
};

inline constexpr int kMaxTypedArgs = 6;
inline constexpr int kNoLimit = 15;  // maximum count meaning "any number"

struct BuiltinSignature {
  int slot;
  char name[kBuiltinNameSize];      // held here: the table needs no relocation
  int minArgs;
  int maxArgs;                      // kNoLimit: no limit
  ArgType args[kMaxTypedArgs];      // types of the first arguments
  ArgType rest;                     // type of every argument past them
  bool callableByName;              // flag 0x800 in the symbol record
  bool posix;                       // a reserved word of the language
};

// The table. Argument types follow what each handler reads from its
// argument cells: positions, counts and flags as ints, texts as strings,
// targets of results as references, file arguments as streams (a name or a
// fileid, converted by the run-time's stream lookup). It is a constant of
// the header so that the symbol records every image carries can be made
// when the compiler itself is compiled.
namespace signature_table {
constexpr ArgType A = ArgType::Any, I = ArgType::Int, F = ArgType::Float,
                  S = ArgType::String, R = ArgType::Ref, Y = ArgType::Array,
                  P = ArgType::Pattern, T = ArgType::Stream;
constexpr int N = kNoLimit;

// clang-format off
inline constexpr BuiltinSignature kBuiltinSignatures[kBuiltinSlots] = {
  {0, "", 0, 0, {}, A, false, false},
  {1, "print", 0, N, {}, A, true, true},
  {2, "printf", 1, N, {S}, A, true, true},
  {3, "__fprint", 2, N, {T, I}, A, false, false},
  {4, "__fprintf", 3, N, {T, I, S}, A, false, false},
  {5, "sub", 2, 4, {P, S, R, I}, A, true, true},
  {6, "gsub", 2, 4, {P, S, R, I}, A, true, true},
  {7, "subs", 2, 4, {S, S, R, I}, A, true, false},
  {8, "gsubs", 2, 4, {S, S, R, I}, A, true, false},
  {9, "getline", 0, 2, {R, T}, A, false, true},
  {10, "__lsubstr", 3, 4, {S, R, I, I}, A, false, false},
  {11, "match", 2, 5, {S, P, I, Y, Y}, A, true, true},
  {12, "split", 2, 3, {S, Y, P}, A, true, true},
  {13, "splitp", 2, 3, {S, Y, P}, A, true, false},
  {14, "substr", 2, 3, {S, I, I}, A, true, true},
  {15, "system", 1, 1, {S}, A, true, true},
  {16, "close", 1, 1, {T}, A, true, true},
  {17, "length", 1, 1, {A}, A, true, true},
  {18, "index", 2, 3, {S, S, I}, A, true, true},
  {19, "rindex", 2, 3, {S, S, I}, A, true, false},
  {20, "sprintf", 1, N, {S}, A, true, true},
  {21, "toupper", 1, 1, {S}, A, true, true},
  {22, "tolower", 1, 1, {S}, A, true, true},
  {23, "typeof", 1, 1, {A}, A, true, false},
  {24, "ord", 1, 2, {S, I}, A, true, false},
  {25, "time", 0, N, {I, I, I, I, I, I}, I, true, false},
  {26, "ctime", 0, 1, {I}, A, true, false},
  {27, "filetime", 1, 2, {S, S}, A, true, false},
  {28, "filesize", 1, 1, {S}, A, true, false},
  {29, "filemode", 1, 2, {S, S}, A, true, false},
  {30, "not", 1, 1, {I}, A, true, false},
  {31, "and", 1, N, {I, I, I, I, I, I}, I, true, false},
  {32, "or", 1, N, {I, I, I, I, I, I}, I, true, false},
  {33, "xor", 1, N, {I, I, I, I, I, I}, I, true, false},
  {34, "shiftl", 2, 2, {I, I}, A, true, false},
  {35, "shiftr", 2, 2, {I, I}, A, true, false},
  {36, "int", 1, 1, {A}, A, true, true},
  {37, "getkey", 0, 1, {I}, A, true, false},
  {38, "kbhit", 0, 1, {A}, A, true, false},
  {39, "rand", 0, 0, {}, A, true, true},
  {40, "srand", 0, 1, {F}, A, true, true},
  {41, "atan2", 2, 2, {F, F}, A, true, true},
  {42, "cos", 1, 1, {F}, A, true, true},
  {43, "exp", 1, 1, {F}, A, true, true},
  {44, "log", 1, 1, {F}, A, true, true},
  {45, "sin", 1, 1, {F}, A, true, true},
  {46, "sqrt", 1, 1, {F}, A, true, true},
  {47, "__pipeopen", 2, 2, {S, I}, A, false, false},
  {48, "argcount", 0, 0, {}, A, true, false},
  {49, "chdir", 1, 1, {S}, A, true, false},
  {50, "getcwd", 0, 0, {}, A, true, false},
  {51, "spawn", 1, 3, {S, A, I}, A, true, false},
  {52, "fopen", 2, 2, {S, S}, A, true, false},
  {53, "fread", 2, 2, {I, T}, A, true, false},
  {54, "fwrite", 2, 2, {S, T}, A, true, false},
  {55, "fseek", 2, 3, {T, I, I}, A, true, false},
  {56, "ftell", 1, 1, {T}, A, true, false},
  {57, "fflush", 1, 2, {T, I}, A, true, true},
  {58, "fileno", 1, 2, {T, A}, A, true, false},
  {59, "feof", 0, 1, {T}, A, true, false},
  {60, "findfirst", 1, 3, {S, I, Y}, A, true, false},
  {61, "findnext", 0, 1, {Y}, A, true, false},
  {62, "peek", 1, 1, {A}, A, true, false},
  {63, "poke", 2, 2, {A, I}, A, true, false},
  {64, "inp", 1, 1, {I}, A, true, false},
  {65, "inpw", 1, 1, {I}, A, true, false},
  {66, "outp", 2, 2, {I, I}, A, true, false},
  {67, "outpw", 2, 2, {I, I}, A, true, false},
  {68, "scr_gcp", 2, 2, {R, R}, A, true, false},
  {69, "scr_scp", 2, 2, {I, I}, A, true, false},
  {70, "scr_gcm", 1, 1, {R}, A, true, false},
  {71, "scr_scm", 1, 1, {I}, A, true, false},
  {72, "scr_put", 3, 4, {S, I, I, I}, A, true, false},
  {73, "scr_putcells", 3, 3, {S, I, I}, A, true, false},
  {74, "scr_frame", 5, 6, {S, I, I, I, I, I}, A, true, false},
  {75, "scr_end", 0, 1, {I}, A, true, false},
  {76, "scr_getcells", 3, 3, {I, I, I}, A, true, false},
  {77, "scr_refresh", 0, 1, {I}, A, true, false},
  {78, "scr_get", 3, 3, {I, I, I}, A, true, false},
  {79, "interrupt", 0, N, {}, A, true, false},
  {80, "addressof", 1, 1, {A}, A, true, false},
  {81, "setawkvar", 2, 3, {S, A, I}, A, true, false},
  {82, "getawkvar", 1, 2, {S, R}, A, true, false},
  {83, "_precof", 1, 1, {A}, A, true, false},
  {84, "_refcnt", 1, 1, {A}, A, true, false},
  {85, "_cvtin", 2, 2, {S, S}, A, true, false},
  {86, "_cvtout", 2, 2, {A, S}, A, true, false},
  {87, "regex", 1, 2, {P, S}, A, true, false},
  {88, "sleep", 1, 2, {A, I}, A, true, false},
  {89, "translate", 3, 4, {S, S, S, S}, A, true, false},
  {90, "strdup", 1, 2, {S, I}, A, true, false},
  {91, "flock", 3, 4, {T, I, I, S}, A, true, false},
  {92, "funlock", 3, 3, {T, I, I}, A, true, false},
  {93, "pack", 1, N, {S}, A, true, false},
  {94, "unpack", 3, 3, {S, A, Y}, A, true, false},
  {95, "abort", 0, 1, {I}, A, true, false},
  {96, "timetab", 1, 2, {Y, I}, A, true, false},
  {97, "dirlist", 1, 2, {S, Y}, A, true, false},
  {98, "getdirlist", 1, 2, {S, Y}, A, true, false},
  {99, "debug_function", 0, 1, {S}, A, true, false},
  {100, "debug_get_frame", 1, 2, {I, Y}, A, true, false},
  {101, "debug_get_stack_var", 2, 3, {I, S, R}, A, true, false},
  {102, "debug_set_stack_var", 3, 3, {I, S, A}, A, true, false},
  {103, "rmfile", 1, 1, {S}, A, true, false},
  {104, "rmdir", 1, 1, {S}, A, true, false},
  {105, "mkdir", 1, 1, {S}, A, true, false},
  {106, "rename", 2, 2, {S, S}, A, true, false},
  {107, "registercallback", 1, 1, {S}, A, true, false},
  {108, "unregistercallback", 1, 1, {S}, A, true, false},
  {109, "chmod", 2, 2, {T, A}, A, true, false},
  {110, "chsize", 2, 2, {T, I}, A, true, false},
  {111, "argval", 1, 1, {I}, A, true, false},
  {112, "ferror", 0, 2, {T, I}, A, true, false},
  {113, "char", 0, N, {I, I, I, I, I, I}, I, true, false},
  {114, "stat", 1, 2, {T, Y}, A, true, false},
  {115, "paste", 1, N, {}, A, true, false},
  {116, "convertnum", 1, 2, {S, I}, A, true, false},
  {117, "call", 1, N, {S}, A, true, false},
  {118, "calla", 2, 3, {S, Y, R}, A, true, false},
  {119, "fdopen", 2, 2, {A, S}, A, true, false},
  {120, "table", 0, N, {}, A, true, false},
};
// clang-format on

constexpr bool tableMatchesSlots() {
  for (int i = 1; i < kBuiltinSlots; ++i) {
    if (kBuiltinSignatures[i].slot != i) return false;
    const char* a = kBuiltinSignatures[i].name;
    const char* b = kBuiltinNames[i];
    while (*a && *a == *b) ++a, ++b;
    if (*a != *b) return false;
    if (kBuiltinSignatures[i].minArgs > kBuiltinSignatures[i].maxArgs) return false;
  }
  return true;
}
static_assert(tableMatchesSlots(), "signature table must follow the slot list");
}  // namespace signature_table

// Entry `slot` of the table (1..120); null for anything else.
constexpr const BuiltinSignature* builtinSignature(int slot) {
  if (slot < 1 || slot >= kBuiltinSlots) return nullptr;
  return &signature_table::kBuiltinSignatures[slot];
}
// The builtin with this name, or null.
const BuiltinSignature* findBuiltin(std::string_view name);

// Type of argument i (0-based).
constexpr ArgType argType(const BuiltinSignature& s, int i) {
  return i < kMaxTypedArgs ? s.args[i] : s.rest;
}

// The three words of a builtin's symbol record: the flags, the counts
// (min << 12 | max << 8) and the types (3 bits per argument, first lowest).
constexpr uint16_t builtinFlagWord(const BuiltinSignature& s) {
  return s.callableByName ? kBuiltinCallable : 0;
}
constexpr uint16_t builtinCountWord(const BuiltinSignature& s) {
  return uint16_t((s.minArgs & 15) << 12 | (s.maxArgs & 15) << 8);
}
constexpr uint16_t builtinTypeWord(const BuiltinSignature& s) {
  uint16_t w = 0;
  for (int i = 0; i < 5; ++i) w |= uint16_t(uint16_t(argType(s, i)) << (3 * i));
  return w;
}

}  // namespace vorn::image
