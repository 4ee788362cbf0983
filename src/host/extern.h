// External library functions, the library search list, callbacks into AWK
// and the memory an AWK program is handed through addresses.
#pragma once
#include <cstdint>

#include "values/cell.h"

// The extern-call instruction: operand points at its operands (argument
// count byte, a spare byte, the extern id + 10000 as a native 16-bit unit),
// result is the result cell, args the first of the consecutive argument
// cells in parameter order.
void awk_cfun(const unsigned char* operand, Cell* result, Cell* args);

// Sets DLLS (awk_dlls) to the default library search list.
void awk_dllinit();

// Finds the C function named by an extern descriptor's name ("library:function",
// "library;function" or ":function"), warning and returning null when it
// cannot be found.
void* awk_dllresolve(const char* name);

// The word of the search list that stands for the running program and every
// library it has loaded.
inline constexpr const char kDllSelf[] = "self";

// Grants peek/poke access to the bytes of a string handed out as an address
// (the grant keeps the string alive while it lasts), and to the memory at an
// address an external function returned.
void awk_grantstring(AwkString* s);
void awk_grantextern(const void* p);

// The three callback slots: the gid bound to each entry point, 0 when free.
inline constexpr int kCallbackSlots = 3;
extern int16_t awk_callbacks[kCallbackSlots];

// How a callback runs its AWK function: the interpreter's native call entry
// (awkin), which start-up puts here since the interpreter sits above.
extern void (*awk_callawk)(int gid, int argc, Cell* args, Cell* out);
