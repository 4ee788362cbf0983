// Diagnostics: every warning, note, error and fatal condition of the
// run-time goes through oops(). The code letter decides the severity (upper
// case form) and whether the location is added (lower case).
#pragma once
#include <cstdarg>

extern int awk_warnings;           // WARNINGS: bit 1 W, bit 2 A, bit 4 N; default 7
extern const char* _progname;      // program name that begins every message
extern int awk_debuge;             // image debug flag: E errors do not end the run

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

// Source file of the module whose function is running, as a new string the
// caller frees; null without a line number, a running function or a name.
struct AwkString;
AwkString* awk_getprogfn();
