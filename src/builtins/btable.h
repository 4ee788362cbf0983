// The builtin table: one handler per slot, indexed by the slot number the
// compiler writes into op_bcall and into the builtin's symbol record.
//
// Every handler shares one convention: argc arguments, the first at args,
// argument i at args + i; the result goes into *awk_retval, which holds an
// uninitialized cell on entry. A handler may modify its argument cells; the
// interpreter releases what is left in them afterwards.
#pragma once
#include "image/builtins.h"
#include "interp/cell.h"

using BuiltinFn = void (*)(int argc, Cell* args);

extern BuiltinFn awk_b_table[vorn::image::kBuiltinSlots];

// b_print, b_printf, b___fprint, ... in slot order.
#define VORN_BUILTIN_DECL(slot, name) void b_##name(int argc, Cell* args);
VORN_BUILTINS(VORN_BUILTIN_DECL)
#undef VORN_BUILTIN_DECL

// Address grants for peek and poke: only memory the program was handed
// (an `address` value's bytes, a block returned by an external library)
// may be read or written byte-wise. The layers that hand out addresses
// register the block and withdraw it when it goes away. A block granted
// read-only may be peeked but not poked.
void awk_memgrant(const void* base, uint64_t len, bool writable = true);
void awk_memrevoke(const void* base);
bool awk_memgranted(uint64_t addr, bool write = false);
