// The names every image's symbol table carries whatever the program: the
// builtins, the special variables and the predefined globals. They are put
// in name order, with their table hashes, when the compiler itself is
// compiled, so that writing a program's symbols only merges the program's
// own few names into this list.
#pragma once
#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>

#include "image/builtins.h"
#include "image/format.h"
#include "image/table_hash.h"

namespace vorn::compiler {

// No pointers: a table of views would be relocated, and so written to,
// when the program starts. The name is found through its gid.
struct FixedName {
  uint32_t hash;
  int16_t gid;
  uint8_t kind;   // image::symkind::kBuiltin, kSpecialVariable or kPredefinedGlobal
  uint8_t size;   // of the name

  constexpr std::string_view name() const {
    const char* text = kind == image::symkind::kBuiltin          ? image::kBuiltinNames[gid]
                       : kind == image::symkind::kSpecialVariable ? image::kSpecialNames[gid - image::gid::kSpecialFirst]
                                                                  : image::kPredefinedNames[gid - image::gid::kGlobalFirst];
    return {text, size};
  }
};

inline constexpr int kFixedNameCount =
    image::kBuiltinSlots - 1 + image::kSpecialCount + image::kPredefinedCount;

inline constexpr std::array<FixedName, kFixedNameCount> kFixedNames = [] {
  std::array<FixedName, kFixedNameCount> a{};
  int n = 0;
  auto put = [&](std::string_view name, int kind, int gid) {
    a[size_t(n++)] = {image::tableHash(name), int16_t(gid), uint8_t(kind), uint8_t(name.size())};
  };
  for (int s = 1; s < image::kBuiltinSlots; ++s)
    put(image::kBuiltinNames[s], image::symkind::kBuiltin, s);
  for (int i = 0; i < image::kSpecialCount; ++i)
    put(image::kSpecialNames[i], image::symkind::kSpecialVariable, image::gid::kSpecialFirst + i);
  for (int i = 0; i < image::kPredefinedCount; ++i)
    put(image::kPredefinedNames[i], image::symkind::kPredefinedGlobal, image::gid::kGlobalFirst + i);
  std::sort(a.begin(), a.end(), [](const FixedName& x, const FixedName& y) { return x.name() < y.name(); });
  return a;
}();

// Each name has one record: no builtin shares a name with a variable.
static_assert(std::adjacent_find(kFixedNames.begin(), kFixedNames.end(),
                                 [](const FixedName& x, const FixedName& y) { return x.name() == y.name(); }) ==
              kFixedNames.end());

// The entry of `name`, or null.
inline const FixedName* findFixedName(std::string_view name) {
  auto it = std::lower_bound(kFixedNames.begin(), kFixedNames.end(), name,
                             [](const FixedName& f, std::string_view n) { return f.name() < n; });
  return it != kFixedNames.end() && it->name() == name ? &*it : nullptr;
}

}  // namespace vorn::compiler
