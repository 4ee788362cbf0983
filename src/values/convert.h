// String/number conversion: the number scanner, number/integer/string views
// of any value cell, and the tolerant float sign.
//
// Every float carries a decimals count (400 = unlimited) that the scanner
// derives from the text and arithmetic carries along; awk_fcmp turns it into
// a tolerance so that values equal within their decimal precision compare
// and print as equal.
#pragma once
#include <cstdint>

#include "values/cell.h"
#include "values/strobj.h"

struct AwkStream;

// Output statements set this while converting their operands: floats then
// format with OFMT instead of CONVFMT.
extern int awk_inprint;

// CONVFMT and OFMT; both start as one shared "%.6g" (see awk_convinit).
extern AwkString* awk_convfmt;
extern AwkString* awk_ofmt;

// Context messages for arrays and patterns used as scalars.
extern const char awk_m_badarray[];   // "Array used in inappropriate context"
extern const char awk_m_badere[];     // "Regular expression used in inappropriate context"

// Creates the initial CONVFMT/OFMT string (once; later calls do nothing).
void awk_convinit();

// Scans a string object as a number. Writes an int or float cell into out
// and returns 1 when the whole text (after leading blanks and tabs) is a
// number, 0 otherwise. With report 0 only the flag and the tag are reliable
// (values are not stored, no warnings); with report 1 the value is always
// stored and the floating-point warnings are raised.
int awk_s2n(const AwkString* s, Cell* out, int report);
// The same over a byte range (need not be NUL-terminated).
int awk_s2nb(const char* text, uint32_t len, Cell* out, int report);

// Number cell (int or float) from any cell.
void awk_cvtn(const Cell* c, Cell* out);
// As awk_cvtn, then ints become floats with decimals 0.
void awk_cvtf(const Cell* c, Cell* out);

// 32-bit integer from any cell. Floats truncate toward zero and clamp with
// warning 9; `uns` selects the unsigned range (for %o %u %x %b).
int32_t awk_a2ls(const Cell* c, int uns);
int32_t awk_a2l(const Cell* c);

// 64-bit quantities (addresses, C longs) as AWK numbers: an int when the
// value fits in an int, else a float (exact below 2^53).
void awk_u64num(uint64_t v, Cell* out);
void awk_i64num(int64_t v, Cell* out);
// 64-bit integer from any cell: ints sign-extended, floats truncated toward
// zero and clamped to the 64-bit range, text scanned as a number.
int64_t awk_a2ll(const Cell* c);
// A machine address from any cell: an `address` value's bytes, a raw
// pointer, an int read as an unsigned 32-bit word, or any other number
// taken as a 64-bit integer.
uint64_t awk_a2addr(const Cell* c);

// String object from any cell; the caller owns the result.
AwkString* awk_a2s(const Cell* c);
// As awk_a2s but consumes the cell's own reference.
AwkString* awk_a2s_unacc(Cell* c);

// Tolerant sign of *v (-1, 0, 1) given its decimals count.
int awk_fcmp(const double* v, int decimals);

