// The builtin signatures looked up by name (the table is in the header).
#include "image/signatures.h"

namespace vorn::image {

const BuiltinSignature* findBuiltin(std::string_view name) {
  for (int i = 1; i < kBuiltinSlots; ++i)
    if (name == signature_table::kBuiltinSignatures[i].name) return &signature_table::kBuiltinSignatures[i];
  return nullptr;
}

}  // namespace vorn::image
