// Directory blocks come from headerless pool memory, sixteen at a time (a
// whole number of pages, so nothing is lost to rounding), and return to a
// free list threaded through their first word; a block is cleared when it
// is handed out.
#include "arrays/slotpool.h"

#include <cstring>

#include "values/alloc.h"

namespace {
constexpr uint32_t kBlockBytes = kBlockSlots * sizeof(AwkSlot);
constexpr uint32_t kBlocksPerRefill = 16;
static_assert(kBlockBytes * kBlocksPerRefill % 4096 == 0);
void* g_free = nullptr;
}  // namespace

AwkSlot* sp_newblock() {
  ++awk_malloccount;
  if (!g_free) {
    char* fresh = static_cast<char*>(sppool(kBlockBytes * kBlocksPerRefill));
    for (uint32_t i = kBlocksPerRefill; i-- > 0;) {
      void* b = fresh + size_t(i) * kBlockBytes;
      std::memcpy(b, &g_free, sizeof g_free);
      g_free = b;
    }
  }
  void* b = g_free;
  std::memcpy(&g_free, b, sizeof g_free);
  std::memset(b, 0, kBlockBytes);
  return static_cast<AwkSlot*>(b);
}

void sp_freeblock(AwkSlot* block) {
  if (!block) return;
  --awk_malloccount;
  std::memcpy(static_cast<void*>(block), &g_free, sizeof g_free);
  g_free = block;
}
