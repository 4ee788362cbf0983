// The builtin table: one handler per slot, indexed by the slot number the
// compiler writes into op_bcall and into the builtin's symbol record.
//
// Every handler shares one convention: argc arguments, the first at args,
// argument i at args + i; the result goes into *awk_retval, which holds an
// uninitialized cell on entry. A handler may modify its argument cells; the
// interpreter releases what is left in them afterwards.
#pragma once
#include "image/builtins.h"
#include "values/cell.h"

using BuiltinFn = void (*)(int argc, Cell* args);

extern BuiltinFn awk_b_table[vorn::image::kBuiltinSlots];

// Builtins that the interpreter and start-up implement; start-up puts them
// into the table (runtime/wiring.cpp).
#define VORN_UPPER_BUILTINS(X) X(abort) X(argcount) X(argval) X(call) X(calla) \
  X(debug_function) X(debug_get_frame) X(debug_get_stack_var) X(debug_set_stack_var)

// b_print, b_printf, b___fprint, ... in slot order.
#define VORN_BUILTIN_DECL(slot, name) void b_##name(int argc, Cell* args);
VORN_BUILTINS(VORN_BUILTIN_DECL)
#undef VORN_BUILTIN_DECL
