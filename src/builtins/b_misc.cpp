// peek and poke, and the hardware builtins that do nothing on this host.
//
// peek and poke work byte-wise on memory the program was handed (granted
// in host/memgrant.cpp); any other address is refused with a warning, so an
// AWK program cannot read or corrupt the run-time's own memory.
#include <cmath>
#include <cstdint>

#include "builtins/btable.h"
#include "host/memgrant.h"
#include "diag/oops.h"
#include "values/convert.h"

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
