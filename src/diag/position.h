// Where the run is: the statement and function being executed and the
// input record being processed. Messages report it and repeated messages
// are recognised by it; the interpreter and the record reader keep it
// current.
#pragma once
#include <cstdint>

extern int32_t awk_linenumber;  // set by op_line; low 15 bits are the source line
extern int16_t awk_fun_gid;     // gid of the function now running, 0 outside any
extern int awk_time_counter;    // lowered at each statement; 0 after for-in set-up and signals
extern int32_t awk_nr;          // NR
extern int32_t awk_fnr;         // FNR
