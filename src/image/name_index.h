// NameIndex: finds names among the entries of a caller's vector by their
// position. The compiler and the image writer look up every name and
// string constant of a program; a tree or a hash map of strings cost an
// allocation and several string comparisons per name, which was most of
// what compiling a one-line program cost.
//
// Open addressing over (hash, position) pairs with linear probing; the
// names themselves stay in the caller's entries, read back through
// `nameAt(position)`. Entries are never removed; the table doubles at three
// quarters full.
#pragma once
#include <cstdint>
#include <string_view>
#include <vector>

#include "image/table_hash.h"

namespace vorn::image {

class NameIndex {
 public:
  // The position of `name`, or -1.
  template <class NameAt>
  int32_t find(std::string_view name, const NameAt& nameAt) const {
    return findHashed(name, tableHash(name.data(), name.size()), nameAt);
  }
  // The same for a caller that has the name's tableHash already.
  template <class NameAt>
  int32_t findHashed(std::string_view name, uint32_t hash, const NameAt& nameAt) const {
    if (slots_.empty()) return -1;
    return slots_[probe(name, hash, nameAt)].position;
  }

  // Room for `count` names without growing.
  void reserve(size_t count) {
    size_t n = kFirstSize;
    while (count * 4 > n * 3) n *= 2;
    if (n > slots_.size()) resize(n);
  }

  // The position of `name`, or, when it is not there yet, -1 after
  // recording it at `newPosition`.
  template <class NameAt>
  int32_t findOrAdd(std::string_view name, int32_t newPosition, const NameAt& nameAt) {
    return findOrAddHashed(name, tableHash(name.data(), name.size()), newPosition, nameAt);
  }
  template <class NameAt>
  int32_t findOrAddHashed(std::string_view name, uint32_t hash, int32_t newPosition,
                          const NameAt& nameAt) {
    if ((count_ + 1) * 4 > slots_.size() * 3) grow();
    Slot& s = slots_[probe(name, hash, nameAt)];
    if (s.position >= 0) return s.position;
    s = {hash, newPosition};
    ++count_;
    return -1;
  }

 private:
  struct Slot {
    uint32_t hash = 0;
    int32_t position = -1;
  };

  // The slot holding `name`, or the free slot where it would go.
  template <class NameAt>
  size_t probe(std::string_view name, uint32_t h, const NameAt& nameAt) const {
    size_t mask = slots_.size() - 1;
    size_t i = h & mask;
    while (slots_[i].position >= 0 &&
           !(slots_[i].hash == h && std::string_view(nameAt(slots_[i].position)) == name))
      i = (i + 1) & mask;
    return i;
  }

  // Small first: most indexes hold a handful of names (a program's own
  // symbols, its string constants), and every byte is touched at start-up.
  static constexpr size_t kFirstSize = 16;

  void grow() { resize(slots_.empty() ? kFirstSize : slots_.size() * 2); }

  void resize(size_t n) {
    std::vector<Slot> old;
    old.swap(slots_);
    slots_.assign(n, Slot{});
    size_t mask = slots_.size() - 1;
    for (const Slot& s : old) {
      if (s.position < 0) continue;
      size_t i = s.hash & mask;
      while (slots_[i].position >= 0) i = (i + 1) & mask;
      slots_[i] = s;
    }
  }

  std::vector<Slot> slots_;
  size_t count_ = 0;
};

}  // namespace vorn::image
