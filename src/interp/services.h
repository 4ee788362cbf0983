// Services the interpreter calls in other layers, under the names the
// dispatch loop uses. A layer that is not linked into every build would be
// declared weak here, so that reaching it when absent ends the run with an
// internal error naming it (awk_nosvc), never silently.
#pragma once
#include <cstdint>

#include "values/cell.h"
#include "host/extern.h"
#include "host/signals.h"
#include "io/fields.h"

// Ends the run with the internal error "service %s is not available".
[[noreturn]] void awk_nosvc(const char* name);

inline int32_t svcGetfield(int32_t i, Cell* out) { return awk_getfield(i, out); }
inline void svcSetfield(int32_t i, Cell* value) { awk_setfield(i, value); }
inline AwkString* svcGet0() { return awk_get0(); }
inline void svcCfun(const unsigned char* operand, Cell* result, Cell* args) {
  awk_cfun(operand, result, args);
}
inline void svcProcessint(int abortOnly) {
  awk_processint(abortOnly);
}
