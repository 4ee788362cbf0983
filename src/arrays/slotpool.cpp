// Directory blocks come from headerless pool memory, a whole number of pages
// at a time (so nothing is lost to rounding), and return to a free list of
// their size threaded through their first word. Growth frees each old index
// block as soon as it has been drained, and the new index takes blocks from
// the same list, so a growing array reuses its own old index.
#include "arrays/slotpool.h"

#include <cstring>

#include "values/alloc.h"

namespace {

struct Pool {
  uint32_t bytes;      // per block
  uint32_t perRefill;  // blocks per refill: bytes * perRefill is whole pages
  void* free;
};

Pool g_entries{kBlockSlots * sizeof(AwkSlot), 16, nullptr};
Pool g_index{kBlockSlots * sizeof(uint32_t), 16, nullptr};
static_assert(kBlockSlots * sizeof(AwkSlot) * 16 % 4096 == 0);
static_assert(kBlockSlots * sizeof(uint32_t) * 16 % 4096 == 0);

void* take(Pool& p) {
  ++awk_malloccount;
  if (!p.free) {
    char* fresh = static_cast<char*>(sppool(p.bytes * p.perRefill));
    for (uint32_t i = p.perRefill; i-- > 0;) {
      void* b = fresh + size_t(i) * p.bytes;
      std::memcpy(b, &p.free, sizeof p.free);
      p.free = b;
    }
  }
  void* b = p.free;
  std::memcpy(&p.free, b, sizeof p.free);
  return b;
}

void give(Pool& p, void* b) {
  if (!b) return;
  --awk_malloccount;
  std::memcpy(b, &p.free, sizeof p.free);
  p.free = b;
}

}  // namespace

AwkSlot* sp_newblock() { return static_cast<AwkSlot*>(take(g_entries)); }
void sp_freeblock(AwkSlot* block) { give(g_entries, block); }

uint32_t* sp_newindex() {
  void* b = take(g_index);
  std::memset(b, 0, g_index.bytes);
  return static_cast<uint32_t*>(b);
}
void sp_freeindex(uint32_t* block) { give(g_index, block); }
