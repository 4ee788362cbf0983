// Services the interpreter calls in layers that are not linked into every
// build yet: external library calls (awk_cfun). They are declared weak so that the run-time links
// without them; reaching one that is absent ends the run with an internal
// error naming it, never silently. Once a layer is part of the run-time,
// its line here gives way to that layer's own header.
#pragma once
#include <cstdint>

#include "values/cell.h"
#include "host/signals.h"
#include "io/fields.h"

// External call: operand points at the instruction's operands (count byte,
// extern id), result is the result cell, args the first argument.
[[gnu::weak]] void awk_cfun(const unsigned char* operand, Cell* result, Cell* args);
// Handles recorded signals; with abortOnly set only the abort check.

// Ends the run with the internal error "service %s is not available".
[[noreturn]] void awk_nosvc(const char* name);

inline int32_t svcGetfield(int32_t i, Cell* out) { return awk_getfield(i, out); }
inline void svcSetfield(int32_t i, Cell* value) { awk_setfield(i, value); }
inline AwkString* svcGet0() { return awk_get0(); }
inline void svcCfun(const unsigned char* operand, Cell* result, Cell* args) {
  if (!awk_cfun) awk_nosvc("awk_cfun");
  awk_cfun(operand, result, args);
}
inline void svcProcessint(int abortOnly) {
  awk_processint(abortOnly);
}
