// Diagnostics: every warning, note, error and fatal condition of the
// run-time goes through oops(). The code letter decides the severity (upper
// case form) and whether the location is added (lower case).
//
// This is the bottom layer: it includes nothing of the run-time. What a
// message needs from the layers above (the run-time's printf engine for the
// text, the program and input position for the location, termination
// processing before the exit) is reached through the hooks below, which the start-up code fills. Unfilled, a
// message is formatted by the C library, carries no location, and the run
// ends without termination processing.
#pragma once
#include <cstdarg>

extern int awk_warnings;           // WARNINGS: bit 1 W, bit 2 A, bit 4 N; default 7
extern const char* _progname;      // program name that begins every message
extern int awk_debuge;             // image debug flag: E errors do not end the run

// Upward services of the diagnostics layer.
struct AwkDiagHooks {
  // Formats the message text into out (size bytes); returns its length.
  int (*format)(const char* format, va_list ap, char* out, int size);
  // Adds the location pieces for a lower-case code through piece(); nested
  // is set for a message raised while another is being written.
  void (*where)(int code, bool nested, void (*piece)(const char* format, ...));
  // Termination processing (the image's exit function when doterm is set);
  // returns the status to exit with (a run whose output was lost fails).
  int (*terminate)(int doterm, int status);
};
extern AwkDiagHooks awk_diaghooks;

// Lets a host (a fuzzer, an in-process test) take over the final exit: when
// set, awk_exit calls it with the status instead of ending the process. The
// hook must not return (it longjmps).
extern void (*awk_exithook)(int status);

// Ends the run: termination processing, then the process exits with status.
[[noreturn]] void awk_exit(int status, int doterm);

// Reports one message formatted like sprintf. Returns the code when the run
// goes on; does not return for E (unless awk_debuge), F and I.
int oops(int code, const char* format, ...);
int voops(int code, const char* format, va_list ap);

[[noreturn]] void awk_oom(int n);        // "out of memory (%d)"
[[noreturn]] void awk_nomemory();        // the C++ library's new handler: awk_oom(2)
[[noreturn]] void awk_assert2(int n);    // "#%xH (please call ... with this number)"
void awk_oof();                          // out of file handles
void awk_oopsinvarg(const char* name);   // "invalid argument to %s"

// Reports a coded text from a lower layer ("e:illegal format string"): the
// first character is the code, the text from the third goes into `format`.
int awk_oopscoded(const char* coded, const char* format);
