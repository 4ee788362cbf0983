// Reading and assigning variables by gid or name (command-line assignments,
// call by name, references to globals and special variables).
// Status: 0 success, 1 not a variable (or not in the symbol table), 2 an
// empty handler slot.
#pragma once
#include <cstdint>
#include <string_view>

#include "values/cell.h"

int awk_getvarg(int gid, Cell* out);      // 1 not a variable gid, 2 empty handler slot
int awk_setvarg(int gid, Cell* value);    // value is consumed on success
void awk_setvargl(int gid, int32_t n);
int awk_setvar(std::string_view name, Cell* value);   // 1: not in the symbol table
int awk_getvar(std::string_view name, Cell* out);
