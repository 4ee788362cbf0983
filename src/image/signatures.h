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
  const char* name;
  int minArgs;
  int maxArgs;                      // kNoLimit: no limit
  ArgType args[kMaxTypedArgs];      // types of the first arguments
  ArgType rest;                     // type of every argument past them
  bool callableByName;              // flag 0x800 in the symbol record
  bool posix;                       // a reserved word of the language
};

// Entry `slot` of the table (1..120); null for anything else.
const BuiltinSignature* builtinSignature(int slot);
// The builtin with this name, or null.
const BuiltinSignature* findBuiltin(std::string_view name);

// Type of argument i (0-based).
inline ArgType argType(const BuiltinSignature& s, int i) {
  return i < kMaxTypedArgs ? s.args[i] : s.rest;
}

// The three words of a builtin's symbol record.
uint16_t builtinFlagWord(const BuiltinSignature& s);
uint16_t builtinCountWord(const BuiltinSignature& s);  // min << 12 | max << 8
uint16_t builtinTypeWord(const BuiltinSignature& s);   // 3 bits per argument, first lowest

}  // namespace vorn::image
