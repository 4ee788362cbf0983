// The memory an AWK program may reach through peek and poke. The layers
// that give out addresses (address values, blocks returned by external
// libraries) grant their ranges here and withdraw them when the memory goes
// away; a grant may be read-only.
#include "host/memgrant.h"

namespace {

struct Grant {
  uintptr_t base;
  uint64_t len;
  bool writable;
};

// Few ranges are live at once; a small array searched linearly is enough.
Grant* grants = nullptr;
int ngrants = 0;
int grantCap = 0;

}  // namespace

void awk_memgrant(const void* base, uint64_t len, bool writable) {
  if (!base || len == 0) return;
  if (ngrants == grantCap) {
    int cap = grantCap ? grantCap * 2 : 16;
    Grant* g = new Grant[cap];
    for (int i = 0; i < ngrants; ++i) g[i] = grants[i];
    delete[] grants;
    grants = g;
    grantCap = cap;
  }
  grants[ngrants++] = {reinterpret_cast<uintptr_t>(base), len, writable};
}

void awk_memrevoke(const void* base) {
  uintptr_t b = reinterpret_cast<uintptr_t>(base);
  for (int i = ngrants - 1; i >= 0; --i) {
    if (grants[i].base == b) {
      grants[i] = grants[--ngrants];
      return;
    }
  }
}

bool awk_memgranted(uint64_t addr, bool write) {
  for (int i = 0; i < ngrants; ++i) {
    if (addr >= grants[i].base && addr - grants[i].base < grants[i].len &&
        (grants[i].writable || !write))
      return true;
  }
  return false;
}
