// The special variables (gids from image::gid::kSpecialFirst): a handler per
// slot that reads the run-time global behind the variable into a cell, or
// assigns it, so that an assignment takes effect at once and a read sees the
// current state.
#pragma once
#include <cstdint>

#include "image/format.h"
#include "values/cell.h"

// handler(set, cell, arg): set 0 fills cell with the value and its own
// reference; set 1 takes the value from cell (the caller keeps its
// reference). arg is the slot's entry of awk_pv_args.
using AwkPvHandler = void (*)(int set, Cell* cell, void* arg);

extern AwkPvHandler awk_pv_table[vorn::image::kSpecialCount];
extern void* awk_pv_args[vorn::image::kSpecialCount];

// Reads or assigns special variable idx (gid - kSpecialFirst) through its handler;
// false when the slot is out of range or empty.
bool awk_pvget(int idx, Cell* out);
bool awk_pvset(int idx, Cell* value);

// Initial values of the special variables and of the predefined globals.
void awk_varinit();

// Generic handlers: arg points at an AwkString* / an int32_t.
void awk_pvstring(int set, Cell* cell, void* arg);
void awk_pvint(int set, Cell* cell, void* arg);
void awk_pvlong(int set, Cell* cell, void* arg);

void awk_vRS(int set, Cell* cell, void* arg);
void awk_vFS(int set, Cell* cell, void* arg);
void awk_vFPAT(int set, Cell* cell, void* arg);
void awk_vRECLEN(int set, Cell* cell, void* arg);
void awk_vRAWMODE(int set, Cell* cell, void* arg);
void awk_vSTACKAVAIL(int set, Cell* cell, void* arg);
void awk_vMEMAVAIL(int set, Cell* cell, void* arg);
void awk_vERRNO(int set, Cell* cell, void* arg);
void awk_vERRNO_OS(int set, Cell* cell, void* arg);
void awk_vSYMINFO(int set, Cell* cell, void* arg);
void awk_vFUNINFO(int set, Cell* cell, void* arg);
// awk_vNF: io/fields.h; awk_vFLOATMASK: values/arith.h; awk_vSIGNAL: the
// signal layer; start-up puts it into its slot.

// RS as last assigned (what reading RS yields).
extern Cell awk_rsval;

// Globals served only through the table.
extern int32_t awk_criterrcode;   // ERRNO_CRIT
extern int32_t awk_xmslimit;      // XMSLIMIT
extern int32_t awk_xmsresize;     // XMSRESIZE
extern int32_t awk_emslimit;      // EMSLIMIT

// The bit of awk_miscflags that reading or assigning RS or RAWMODE sets;
// it turns the main-input fast path off.
inline constexpr int32_t kMiscRsUsed = vorn::image::flags::kNoMainFastPath;

// SYMINFO and FUNINFO tables (built on first read), for tests.
void awk_syminfo_build();
