// The printf engine: one conversion parser and one set of converters serving both
// AWK values (awk_asprintf) and C arguments (awk_vprint).
#pragma once
#include <cstdarg>
#include <cstdint>
#include <cstdio>

#include "values/cell.h"
#include "values/strobj.h"

// One parsed conversion.
struct Conversion {
  int32_t width;       // may be huge or (from "*") negative
  int32_t precision;
  int16_t precgiven;   // "." or "," seen
  int16_t left;        // "-"
  int16_t padchar;     // ' ' or '0'
  int16_t islong;      // "l": full 32-bit integers
  int16_t conv;        // the conversion letter
  int16_t signchar;    // 0, ' ' or '+'
  int16_t parens;      // %m: negatives in parentheses
  int16_t strip;       // "z", and %g without "#"
  int16_t alt;         // "#"
  int16_t argsize;     // C argument bytes: 4, 8 for floats
  int16_t eng;         // "^"
  int16_t star;        // bit 1 width, bit 2 precision from an argument
  int16_t decchar;     // '.' or ','
};

// Parses the conversion after a "%"; returns the position after the conversion
// letter, or null if malformed.
const char* awk_get_print_fmt(Conversion* conv, const char* text);

// Integer decimal digits written backwards ending at bufend (exclusive);
// returns the start of the text.
char* awk_l_format(int32_t value, char* bufend, int isSigned, int signchar, int mindigits);

// Sizes of conversion buffers: 50 decimals + 309 integer digits + slack.
inline constexpr int kCvtBufSize = 512;

// Converts one argument under conv into buf (kCvtBufSize bytes). Integers
// come in `ival` (the 32-bit pattern; %p uses all 64 bits), floats in
// `dval`, strings in `sval` (length `slen`, returned in place). Returns the
// text start and sets *len. Caps the precision at 50 (warning once per run).
const char* awk_sprint_cvt(char* buf, Conversion* conv, int64_t ival, double dval,
                           const char* sval, uint32_t slen, uint32_t* len);

// AWK-level formatting. Returns a new string object (partial on error) and
// sets *err to null or to a coded text ("e:illegal format string").
AwkString* awk_asprintf(const AwkString* fmt, int nargs, const Cell* args, const char** err);

// C-level formatting for the run-time's messages: writes to stream, or when
// it is null into buffer (NUL-terminated). Returns the characters written.
int awk_vprint(const char* fmt, va_list ap, FILE* stream, char* buffer, int budget);
int awk_fprintf(FILE* stream, const char* fmt, ...);
int awk_printf(const char* fmt, ...);
int awk_sprintf(char* buffer, const char* fmt, ...);

// Resets the once-per-run precision warning (tests).
void awk_printfreset();
