// References (tag Ref cells) and the pass-by-reference stack: how compiled
// code and builtins read and assign through a reference to a global, a
// special variable, a stack cell, a field or an array element.
#pragma once
#include <cstdint>

#include "values/cell.h"

struct AwkSlot;

// References (tag 8 cells).
Cell* awk_getref(Cell* cell, Cell* out, int asarray);
void awk_setref(Cell* cell, Cell* value);
Cell* awk_getrefp(Cell* cell);
int32_t awk_getrefl(Cell* cell);
AwkString* awk_getrefs(Cell* cell);
// Replaces a reference to a stack cell by the value it names; called where
// a value is stored beyond the running function (globals, array elements,
// the caller's result slot, targets of other references).
void awk_pinvalue(Cell* value);

// The pass-by-reference stack (19 saved array/key pairs).
inline constexpr int kRefStackDepth = 19;
void awka_table_save(Cell* key, Cell* table);
// The same for an element already looked up (awk_tabslot): the key and
// table cells move in, and the store goes straight to the element while it
// is certainly still there.
void awka_table_saveslot(Cell* key, Cell* table, AwkSlot* slot);
void awka_table_reassign(Cell* value);
int awka_table_depth();   // pairs saved now
