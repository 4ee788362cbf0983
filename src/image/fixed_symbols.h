// The names every program's symbol table carries whatever the program: the
// builtins, the special variables and the predefined globals.
//
// They are put in name order, with their table hashes, when the compiler
// itself is compiled; so are their symbol records and the string objects of
// their names, laid out one after another in kFixedSymbolBlock as the
// writer would lay them out. Writing a program's symbols then merges the
// program's own few names into this list, and the image takes the block in
// one copy: a one-line program spent most of its compile on these names.
#pragma once
#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>

#include "image/builtins.h"
#include "image/format.h"
#include "image/signatures.h"
#include "image/table_hash.h"

namespace vorn::image {

// No pointers: a table of views would be relocated, and so written to,
// when the program starts. The name is found through its gid.
struct FixedSymbol {
  uint32_t hash;
  uint32_t info;     // the record's one definition: its first word
  uint16_t line;     // and its line word (a builtin's argument types)
  int16_t gid;
  uint8_t kind;      // symkind::kBuiltin, kSpecialVariable or kPredefinedGlobal
  uint8_t size;      // of the name
  uint16_t record;   // where the record starts in kFixedSymbolBlock
  uint16_t key;      // where the name's string object starts there

  constexpr std::string_view name() const {
    const char* text = kind == symkind::kBuiltin          ? kBuiltinNames[gid]
                       : kind == symkind::kSpecialVariable ? kSpecialNames[gid - gid::kSpecialFirst]
                                                           : kPredefinedNames[gid - gid::kGlobalFirst];
    return {text, size};
  }
};

inline constexpr int kFixedSymbolCount = kBuiltinSlots - 1 + kSpecialCount + kPredefinedCount;

namespace fixed_layout {

constexpr size_t alignUp(size_t n, size_t a) { return (n + a - 1) & ~(a - 1); }
constexpr size_t kRecordSize = size_t(kSymbolRecordHeader + kSymbolDefinitionSize);

// The symbols in name order, their offsets filled in.
constexpr std::array<FixedSymbol, kFixedSymbolCount> makeSymbols() {
  std::array<FixedSymbol, kFixedSymbolCount> a{};
  int n = 0;
  auto put = [&](std::string_view name, int kind, int gid, uint32_t info, uint16_t line) {
    a[size_t(n++)] = {tableHash(name), info, line, int16_t(gid), uint8_t(kind), uint8_t(name.size()), 0, 0};
  };
  for (int s = 1; s < kBuiltinSlots; ++s) {
    const BuiltinSignature& sig = *builtinSignature(s);
    put(kBuiltinNames[s], symkind::kBuiltin, s,
        uint32_t(builtinFlagWord(sig)) << 16 | builtinCountWord(sig), builtinTypeWord(sig));
  }
  // Variables: a global definition in the predefined module.
  constexpr uint32_t kVariableInfo = uint32_t(defkind::kGlobal) << 28 | uint32_t(kPredefinedModule) << 16;
  for (int i = 0; i < kSpecialCount; ++i)
    put(kSpecialNames[i], symkind::kSpecialVariable, gid::kSpecialFirst + i, kVariableInfo, 0);
  for (int i = 0; i < kPredefinedCount; ++i)
    put(kPredefinedNames[i], symkind::kPredefinedGlobal, gid::kGlobalFirst + i, kVariableInfo, 0);
  std::sort(a.begin(), a.end(), [](const FixedSymbol& x, const FixedSymbol& y) { return x.name() < y.name(); });
  // Each record (4-aligned), then its name's string object (8-aligned).
  size_t at = 0;
  for (FixedSymbol& f : a) {
    at = alignUp(at, 4);
    f.record = uint16_t(at);
    at = alignUp(at + kRecordSize, 8);
    f.key = uint16_t(at);
    at += size_t(kStringHeader) + f.size + 1;
  }
  return a;
}

inline constexpr std::array<FixedSymbol, kFixedSymbolCount> kSymbols = makeSymbols();
inline constexpr size_t kBlockSize =
    size_t(kSymbols.back().key) + size_t(kStringHeader) + kSymbols.back().size + 1;

constexpr std::array<uint8_t, kBlockSize> makeBlock() {
  std::array<uint8_t, kBlockSize> b{};
  uint8_t* p = b.data();
  for (const FixedSymbol& f : kSymbols) {
    putBe32(p + f.record, uint32_t(f.kind) << 28 | 1);   // no compiler bits, one definition
    putBe16(p + f.record + 4, uint16_t(f.gid));
    putBe32(p + f.record + kSymbolRecordHeader, f.info);
    putBe16(p + f.record + kSymbolRecordHeader + 4, f.line);
    putBe32(p + f.key, f.size);
    putBe16(p + f.key + 4, 1);   // the reference count
    const std::string_view name = f.name();
    for (size_t i = 0; i < name.size(); ++i) b[f.key + size_t(kStringHeader) + i] = uint8_t(name[i]);
  }
  return b;
}

}  // namespace fixed_layout

inline constexpr const std::array<FixedSymbol, kFixedSymbolCount>& kFixedSymbols = fixed_layout::kSymbols;
// Placed at an 8-aligned address, the block's records and string objects
// are aligned as the writer aligns its own.
inline constexpr std::array<uint8_t, fixed_layout::kBlockSize> kFixedSymbolBlock = fixed_layout::makeBlock();

// Each name has one record: no builtin shares a name with a variable.
static_assert(std::adjacent_find(kFixedSymbols.begin(), kFixedSymbols.end(),
                                 [](const FixedSymbol& x, const FixedSymbol& y) { return x.name() == y.name(); }) ==
              kFixedSymbols.end());
static_assert(fixed_layout::kBlockSize <= size_t(kMaxSegmentSize));

// The entry of `name`, or null.
inline const FixedSymbol* findFixedSymbol(std::string_view name) {
  auto it = std::lower_bound(kFixedSymbols.begin(), kFixedSymbols.end(), name,
                             [](const FixedSymbol& f, std::string_view n) { return f.name() < n; });
  return it != kFixedSymbols.end() && it->name() == name ? &*it : nullptr;
}

}  // namespace vorn::image
