// The hash of every string-keyed table: AWK arrays at run time and the
// program symbol table that the compiler writes into the image. Both sides
// must agree bit for bit, so it lives here.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vorn::image {

// Hash of a key's bytes: h = b + 4h + 64h + (h >> 26) per byte, then 9h;
// never 0 (0 marks a free slot).
inline uint32_t tableHash(const void* data, size_t len) {
  const unsigned char* p = static_cast<const unsigned char*>(data);
  uint32_t h = 0;
  for (size_t i = 0; i < len; ++i) h = p[i] + 4 * h + 64 * h + (h >> 26);
  h *= 9;
  return h ? h : 1;
}

// The same for a name known when the program is compiled.
constexpr uint32_t tableHash(std::string_view s) {
  uint32_t h = 0;
  for (char c : s) h = uint8_t(c) + 4 * h + 64 * h + (h >> 26);
  h *= 9;
  return h ? h : 1;
}

// Home slot of a hash in a table of `capacity` slots.
inline uint32_t homeSlot(uint32_t hash, uint32_t capacity) { return hash % capacity; }

}  // namespace vorn::image
