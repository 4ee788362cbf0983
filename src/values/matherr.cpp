// Floating-point warnings. Traps stay off for the whole run; after each
// operation the sticky exception flags are read and cleared, and the first
// one the report mask (FLOATMASK / MASK87) enables becomes an A-class
// warning. A warning repeating the last one printed for the same line,
// statement execution and record is dropped, so a loop on one line warns
// once per record.
//
// The C library here has no matherr hook: domain and range errors of the
// math functions are recognised from errno, the result and the flags the
// call raised, and reported as "<function> function <kind>".
#include <cerrno>
#include <cfenv>
#include <cmath>

#include "diag/position.h"
#include "diag/oops.h"
#include "values/arith.h"
#include "values/convert.h"


int32_t awk_mask87 = int32_t(0xFFFFFFCDu);
bool awk_fpcheckall = false;

namespace {

struct MathMessage {
  const char* format;
  int bit;
};

constexpr const char* kPrefix = "floating point: ";

const MathMessage matherrmsgs[] = {
    {"%soverflow", 8},
    {"%sunderflow", 16},
    {"%smodulus by zero", 4},
    {"%sdivide by zero", 4},
    {"%sdenormalized operand", 2},
    {"%sprecision loss", 32},
    {"%sinvalid operation", 1},
    {"hex number larger than 8 digits", 2048},
    {"%stoo many significant digits", 1024},
    {"Overflow in conversion of floating point number to integer", 8},
};
constexpr int kMessages = int(sizeof matherrmsgs / sizeof matherrmsgs[0]);

int stickyMask = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW;

struct LastReport {
  bool valid;
  int number;
  int32_t line;
  int time;
  int32_t nr;
} last;

void rebuildStickyMask() {
  int m = 0;
  if (awk_mask87 & 1) m |= FE_INVALID;
  if (awk_mask87 & 4) m |= FE_DIVBYZERO;
  if (awk_mask87 & 8) m |= FE_OVERFLOW;
  if (awk_mask87 & 16) m |= FE_UNDERFLOW;
  if (awk_mask87 & 32) m |= FE_INEXACT;
  stickyMask = m;
  awk_fpcheckall = (m & (FE_UNDERFLOW | FE_INEXACT)) != 0;
}

}  // namespace

void awk_mathresetlast() { last.valid = false; }

void awk_mathinit() {
  fedisableexcept(FE_ALL_EXCEPT);
  feclearexcept(FE_ALL_EXCEPT);
  rebuildStickyMask();
}

void awk_mathend() {}

// Reports warning n unless its mask bit is off or it repeats the last one.
void awk_matherrn(int n) {
  if (n < 0 || n >= kMessages) return;
  const MathMessage& m = matherrmsgs[n];
  if (!(awk_mask87 & m.bit)) return;
  const int32_t line = awk_linenumber;
  const int time = awk_time_counter;
  if (last.valid && last.number == n && last.line == line && last.time == time &&
      last.nr == awk_nr)
    return;
  last = {true, n, line, time, awk_nr};
  oops('a', m.format, kPrefix);
}

void awk_mathchk() {
  const int f = std::fetestexcept(stickyMask);
  if (!f) return;
  std::feclearexcept(FE_ALL_EXCEPT);
  if (f & FE_DIVBYZERO)
    awk_matherrn(kMwDivZero);
  else if (f & FE_OVERFLOW)
    awk_matherrn(kMwOverflow);
  else if (f & FE_UNDERFLOW)
    awk_matherrn(kMwUnderflow);
  else if (f & FE_INVALID)
    awk_matherrn(kMwInvalid);
  else if (f & FE_INEXACT)
    awk_matherrn(kMwPrecision);
}

// Classifies the error of the math call that just returned `result` (errno
// cleared before it) and reports it. Flags of a reported error are cleared
// so that the sticky check after the call does not report it twice.
void awk_mathlibchk(const char* fname, double result) {
  const int e = errno;
  if (e != EDOM && e != ERANGE) return;
  const int f = std::fetestexcept(FE_ALL_EXCEPT);
  const char* text;
  int bit;
  if (e == EDOM) {
    text = "invalid argument";
    bit = 64;
  } else if (std::isinf(result) && (f & FE_DIVBYZERO)) {
    text = "argument singularity";
    bit = 128;
  } else if (std::isinf(result) || std::fabs(result) == HUGE_VAL) {
    text = "overflow";
    bit = 8;
  } else {
    text = "underflow";
    bit = 16;
  }
  errno = 0;
  std::feclearexcept(FE_ALL_EXCEPT);
  if (awk_mask87 & bit) oops('a', "%s function %s", fname, text);
}

double awk_mathcall1(const char* fname, double (*fn)(double), double x) {
  errno = 0;
  double r = fn(x);
  awk_mathlibchk(fname, r);
  return r;
}

double awk_mathcall2(const char* fname, double (*fn)(double, double), double x, double y) {
  errno = 0;
  double r = fn(x, y);
  awk_mathlibchk(fname, r);
  return r;
}

// MASK87 and FLOATMASK: assigning sets the report mask (and forgets flags
// raised under the old one); reading gives it as an int.
void awk_vFLOATMASK(int set, Cell* cell, void*) {
  if (set) {
    awk_mask87 = awk_a2l(cell);
    rebuildStickyMask();
    std::feclearexcept(FE_ALL_EXCEPT);
  } else {
    cellSetInt(cell, awk_mask87);
  }
}
