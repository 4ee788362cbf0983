// The interpreter: the dispatch loop over one function's bytecode, the
// native entries that call AWK functions, references, and the small
// services compiled code and builtins use to reach the caller's values.
//
// Every AWK call, from bytecode or from native code, pushes a frame cell
// (tag 29, 30 or 31) on the one evaluation stack and runs awk_interp
// recursively on the native stack. A pending `next` or `exit` (bits of
// awk_gt_conditions) unwinds every activation back to the native caller.
#pragma once
#include <cstdint>

#include "interp/cell.h"

struct AwkPattern;

// Interpreter state shared with the rest of the run-time.
extern int32_t awk_linenumber;    // set by op_line; low 15 bits are the source line
extern int16_t awk_fun_gid;       // gid of the function now running, 0 outside any
extern int awk_time_counter;      // lowered at each statement; 0 after for-in set-up and signals
extern int16_t awk_debug_gid;     // armed debugger function, 0 = disarmed
extern int16_t awk_debug_caller;  // the function that armed it (not traced)

// Function code: the 10-byte header, then the bytecode (writable, since
// constant patterns are patched on first use).
using AwkCode = unsigned char;

// Runs the function whose header is at `code` in the frame the caller has
// already pushed (awk_fp, awk_fun_gid and awk_linenumber set). Returns with
// the stack back at the frame cell.
void awk_interp(AwkCode* code);

// The main pattern-action function for one record, at the bottom of the stack.
void awki0f(int gid, AwkCode* code);

// Native call entries. awki0 and awki4 return the result cell's word.
int32_t awki0(int gid);
int32_t awki4(int gid, int argc, int32_t a1, int32_t a2, int32_t a3, int32_t a4);
// Calls gid with argc cells at args (each copied); the result is moved into
// `out`, or released when out is null.
void awkin(int gid, int argc, Cell* args, Cell* out);

AwkCode* awk_fun_lock(int gid);
void awk_fun_unlock();
AwkCode* awka_fun_lock();
void awka_fun_unlock();

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
void awka_table_reassign(Cell* value);
int awka_table_depth();   // pairs saved now

// Field access on behalf of external code: the cell holds a field number.
void awka_getfield(Cell* cell);
void awka_setfield(Cell* cell, Cell* value);

// Call by name, used by call() and calla(). `message` (at least
// kCallMessageSize bytes, empty on entry) receives at most one coded
// message ("w:..." or "n:...").
inline constexpr int kCallMessageSize = 256;
void awk_callname(const char* name, int argc, Cell* args, char* message);

// The debugger hook, run by op_line when a debugger function is armed.
void awk_debughook();

// Constant patterns compiled at run time. The first execution of
// op_pushreu / op_match0u compiles the pattern, appends it here and
// rewrites the instruction's operand into its index (a pointer does not fit
// the 32-bit operand). The table owns one reference to each pattern.
extern AwkPattern** awk_pattab;
extern int32_t awk_npattab;
int32_t awk_pattab_add(AwkPattern* p);
