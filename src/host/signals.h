// Signals and interrupts: the special array SIGNAL maps signal names to what
// the program wants done (abort, default, ignore, fail, or an AWK function),
// the signal handler records deliveries, and the polling points (op_line,
// the record loop, an interrupted terminal read) act on them.
#pragma once
#include <csignal>
#include <cstdint>
#include <string_view>

#include "values/cell.h"

// What a table entry does with its signal (the numbers are the values the
// settings are documented with).
enum class SigAction : uint8_t {
  Default = 0,    // host default; a terminating signal ends the run in order
  Abort = 1,      // end the run in order
  Fail = 2,       // caught and dropped: an interrupted system call fails
  Ignore = 3,     // ignored by the process
  Call = 4,       // an AWK function runs at the next poll
  Untouched = 5,  // no SIGNAL element: the disposition in place stays
};

// The disposition the settings last put in place for a signal.
enum class SigDisp : uint8_t { Original, Default, Ignore, Catch };

// One handled signal. The handler reads `action` and stores into `pending`
// and `code`; everything else is touched only outside signal context.
struct AwkSig {
  const char* name;                // null ends the table
  int signo;
  uint8_t terminates;              // the host default ends the process
  volatile SigAction action;
  volatile sig_atomic_t pending;   // deliveries recorded and not yet handled
  int16_t handler;                 // function gid for SigAction::Call
  volatile sig_atomic_t code;      // si_code of the last delivery, 0 if none
  SigDisp disp;                    // what awk_sig_set installed
  struct sigaction original;       // the disposition found at start-up
  AwkString* noted;                // the unrecognized value last reported
};

extern AwkSig awksig[];            // in table order, ended by a null name

// Start-up: the dispositions of SIGNAL as a new marked array of "DEFAULT"
// (or "IGNORE" for a signal other than SIGINT that the process was started
// with ignored), and the fault reporter. The array itself is made when
// first needed.
void awk_sig_init();
// The value of SIGNAL (made now if start-up's array is still pending).
Cell* awk_signalarray();
// Applies SIGNAL to the table and to the process.
void awk_sig_set();
// Puts every signal the settings changed back to its start-up disposition
// (around the start of a child command); awk_sig_set() re-installs them.
void awk_sig_reset();
// Special-variable handler of SIGNAL (gid 234).
void awk_vSIGNAL(int set, Cell* cell, void* arg);

// The handler of caught signals: records the delivery, nothing more.
void awk_sighandler(int signo, siginfo_t* info, void* context);

// The table entry of a signal number, null if the signal is not handled.
// Safe in signal context.
AwkSig* awk_sigentry(int signo);
// The action a SIGNAL keyword names ("ABORT", "DEFAULT", "IGNORE", "FAIL",
// any letter case); false for anything else.
bool awk_sigword(std::string_view value, SigAction* action);

// The fault reporter for SIGILL, SIGSYS, SIGBUS, SIGSEGV (and SIGEMT where
// the host has it), run on an alternate stack so that it works after a
// stack overflow too.
void awk_faultinit();
void awk_sigfault(int signo, siginfo_t* info, void* context);
// "SIGSEGV: segmentation fault" and the like; null for other signals.
const char* awk_faulttext(int signo);
