// Float arithmetic on evaluation-stack cells with decimals tracking, and the
// floating-point warning machinery shared with the scanner and math builtins.
#pragma once
#include <cstdint>

#include "values/cell.h"

// Report mask of FLOATMASK / MASK87 (default 0xFFFFFFCD).
extern int32_t awk_mask87;

// Warning numbers of the floating-point table.
enum MathWarn : int {
  kMwOverflow = 0,
  kMwUnderflow = 1,
  kMwModZero = 2,
  kMwDivZero = 3,
  kMwDenormal = 4,
  kMwPrecision = 5,
  kMwInvalid = 6,
  kMwHexDigits = 7,
  kMwSigDigits = 8,
  kMwIntConvert = 9,
};

// Binary operations: `right` is the topmost stack cell, the left operand
// is the cell just below it (right + 1) and receives the float result. The
// caller pops the right operand afterwards.
void awkf_plus(Cell* right);
void awkf_minus(Cell* right);
void awkf_times(Cell* right);
void awkf_div(Cell* right);
void awkf_mod(Cell* right);
void awkf_power(Cell* right);
// Negates the cell in place (as a float, decimals kept).
void awkf_neg(Cell* top);

// Start-up: traps off, sticky flags cleared. Shut-down: nothing.
void awk_mathinit();
void awk_mathend();
// Reads and clears the sticky flags; reports the first enabled one.
void awk_mathchk();

// True while the report mask enables underflow or precision loss: those can
// be raised by an operation whose result is finite, so the flags must then be
// read after every operation. Otherwise only a result that is not finite can
// carry an enabled flag (overflow, division by zero, invalid operation), and
// the check is skipped for finite results.
extern bool awk_fpcheckall;
// Value and decimals count of a number cell: int, float, or uninitialized
// (whose word is 0). The caller has checked that the tag is at most Float.
inline double awk_numval(const Cell* c, int* dec) {
  if (c->tag == Tag::Float) {
    *dec = c->w.dec;
    return c->x.d;
  }
  *dec = 0;
  return double(c->w.i);
}
// Decimals of a quotient of a value with dL places by the integer n: dL
// plus just the places n = 2^a * 5^b (up to 15625) can add, else unlimited.
inline int16_t awk_quotdec(int dL, int64_t n) {
  if (dL == kUnlimitedDecimals) return kUnlimitedDecimals;
  if (n < 0) n = -n;
  if (n < 1 || n > 15625) return kUnlimitedDecimals;
  const int a = __builtin_ctzll(uint64_t(n));
  int64_t odd = n >> a;
  int b = 0;
  while (odd % 5 == 0) {
    odd /= 5;
    ++b;
  }
  if (odd != 1 || b > 6) return kUnlimitedDecimals;
  const int extra = a > b ? (a - b + 3) / 4 : 0;
  const int d = dL + b + extra;
  return int16_t(d < kUnlimitedDecimals ? d : kUnlimitedDecimals);
}
inline void awk_mathchk_result(double result) {
  if (awk_fpcheckall || !__builtin_isfinite(result)) awk_mathchk();
}
// Reports warning n of the table (mask, once-per-statement rule).
void awk_matherrn(int n);

// Call after a math-library function (sin, log, exp, ...) with errno
// cleared beforehand: inspects errno and the result, reports a domain or
// range error as "%s function %s", clears errno and the sticky flags. The
// arguments let a pole (log(0)) be told from an overflow.
void awk_mathlibchk(const char* fname, double result);

// Calls a one- or two-argument math-library function with the error
// checks above around it.
double awk_mathcall1(const char* fname, double (*fn)(double), double x);
double awk_mathcall2(const char* fname, double (*fn)(double, double), double x, double y);

// Special-variable handler of MASK87 and FLOATMASK.
void awk_vFLOATMASK(int set, Cell* cell, void* arg);

// Last-report memory, exposed for tests (reset between cases).
void awk_mathresetlast();
