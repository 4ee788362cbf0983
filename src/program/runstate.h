// The run's control state: the pending `next` and `exit` that unwind the
// interpreter, the exit status, and the flag that a signal is waiting to be
// handled. Set by the interpreter and the signal layer, read by the record
// loop and the reader.
#pragma once

inline constexpr int kCondNext = 1;
inline constexpr int kCondExit = 2;
extern int awk_gt_conditions;
extern int awk_exitstatus;        // status after a normal end
extern volatile int awk_intflag;  // an interrupt or signal is pending
extern int awk_nomoreints;        // set at termination
