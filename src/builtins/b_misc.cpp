// peek and poke, and the hardware builtins that do nothing on this host.
//
// peek and poke work byte-wise on memory the program was handed: the
// layers that give out addresses (address values, blocks returned by
// external libraries) grant their ranges here and withdraw them when the
// memory goes away. Any other address is refused with a warning, so an
// AWK program cannot read or corrupt the run-time's own memory.
#include <cmath>
#include <cstdint>

#include "builtins/btable.h"
#include "runtime/oops.h"
#include "values/convert.h"

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

void b_peek(int argc, Cell* args) {
  if (argc < 1) return;
  uint64_t a = awk_a2addr(&args[0]);
  if (!awk_memgranted(a, false)) {
    awk_oopsinvarg("peek");
    return;
  }
  cellSetInt(awk_retval, *reinterpret_cast<const unsigned char*>(uintptr_t(a)));
}

void b_poke(int argc, Cell* args) {
  if (argc < 2) return;
  uint64_t a = awk_a2addr(&args[0]);
  if (!awk_memgranted(a, true)) {
    awk_oopsinvarg("poke");
    return;
  }
  *reinterpret_cast<unsigned char*>(uintptr_t(a)) = uint8_t(awk_a2l(&args[1]));
}

// Port and interrupt access does not exist for a user process here.
void b_inp(int, Cell*) {}
void b_inpw(int, Cell*) {}
void b_outp(int, Cell*) {}
void b_outpw(int, Cell*) {}
void b_interrupt(int, Cell*) {}
