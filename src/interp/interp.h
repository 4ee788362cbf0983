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
#include <cstring>

#include "diag/position.h"
#include "io/refs.h"
#include "values/cell.h"

struct AwkPattern;

// Interpreter state shared with the rest of the run-time.
extern int16_t awk_debug_gid;     // armed debugger function, 0 = disarmed
extern int16_t awk_debug_caller;  // the function that armed it (not traced)

// Function code: the 10-byte header, then the bytecode (writable, since
// constant patterns are patched on first use).
using AwkCode = unsigned char;

// Runs the function whose header is at `code` in the frame the caller has
// already pushed (awk_fp, awk_fun_gid and awk_linenumber set). Returns with
// the stack back at the frame cell.
void awk_interp(AwkCode* code);

// The main pattern-action function for one record, at the bottom of the
// stack (inline: the record loop calls it for every record).
inline void awki0f(int gid, AwkCode* code) {
  awk_fun_gid = int16_t(gid);
  awk_linenumber = 0;
  Cell* f = --awk_sp;
  std::memset(static_cast<void*>(f), 0, sizeof(Cell));
  f->tag = Tag::FrameMain;
  awk_fp = f;
  awk_interp(code);
  awk_fun_gid = 0;
  ++awk_sp;
}

// Native call entries. awki0 and awki4 return the result cell's word.
int32_t awki0(int gid);
int32_t awki4(int gid, int argc, int32_t a1, int32_t a2, int32_t a3, int32_t a4);
// Calls gid with argc cells at args (each copied); the result is moved into
// `out`, or released when out is null.
void awkin(int gid, int argc, Cell* args, Cell* out);


// Call by name, used by call() and calla(). `message` (at least
// kCallMessageSize bytes, empty on entry) receives at most one coded
// message ("w:..." or "n:...").
inline constexpr int kCallMessageSize = 256;
void awk_callname(const char* name, int argc, Cell* args, char* message);

// Handles recorded signals (the signal layer records them); with abortOnly
// set only the abort check runs.
void awk_processint(int abortOnly);

// The debugger hook, run by op_line when a debugger function is armed.
void awk_debughook();

// Constant patterns compiled at run time. The first execution of
// op_pushreu / op_match0u compiles the pattern, appends it here and
// rewrites the instruction's operand into its index (a pointer does not fit
// the 32-bit operand). The table owns one reference to each pattern.
extern AwkPattern** awk_pattab;
extern int32_t awk_npattab;
int32_t awk_pattab_add(AwkPattern* p);

// The pattern a main rule function tests first, when a record it does not
// match has no effect there: the code is an optional op_line, then
// op_match0 (already compiled, so not before the first record) and an
// op_jf to an op_ret. Null for any other function.
AwkPattern* awk_rulefilter(const AwkCode* code);
