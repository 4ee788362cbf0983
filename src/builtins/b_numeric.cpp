// Bit and numeric builtins: not, and, or, xor, shifts, int, convertnum,
// table, rand and srand, and the mathematical functions.
//
// Integer operations are 32-bit two's complement with wrap-around, done on
// unsigned words so that overflow is defined. Float results carry the
// unlimited decimals count and are followed by the sticky-flag check;
// mathematical functions go through the math-error wrappers, which report
// domain and range errors under the function's name.
#include <cmath>
#include <ctime>

#include "arrays/table.h"
#include "builtins/btable.h"
#include "builtins/caltime.h"
#include "builtins/strlib.h"
#include "diag/oops.h"
#include "values/arith.h"
#include "values/convert.h"

namespace {

inline int32_t intArg(const Cell& c) { return c.tag == Tag::Int ? c.w.i : awk_a2l(&c); }

inline double floatArg(const Cell& c) {
  if (c.tag == Tag::Float) return c.x.d;
  Cell f;
  awk_cvtf(&c, &f);
  return f.x.d;
}

inline void retFloat(double v) {
  cellSetFloat(awk_retval, v, kUnlimitedDecimals);
  awk_mathchk();
}

}  // namespace

void b_not(int argc, Cell* args) {
  if (argc != 1 || args[0].tag != Tag::Int) awk_assert2(0x3109);
  cellSetInt(awk_retval, ~args[0].w.i);
}

void b_and(int argc, Cell* args) {
  uint32_t v = argc > 0 ? uint32_t(intArg(args[0])) : 0;
  for (int i = 1; i < argc; ++i) v &= uint32_t(intArg(args[i]));
  cellSetInt(awk_retval, int32_t(v));
}

void b_or(int argc, Cell* args) {
  uint32_t v = 0;
  for (int i = 0; i < argc; ++i) v |= uint32_t(intArg(args[i]));
  cellSetInt(awk_retval, int32_t(v));
}

void b_xor(int argc, Cell* args) {
  uint32_t v = 0;
  for (int i = 0; i < argc; ++i) v ^= uint32_t(intArg(args[i]));
  cellSetInt(awk_retval, int32_t(v));
}

// The count is taken mod 32 (so a negative count works from the top).
void b_shiftl(int argc, Cell* args) {
  if (argc != 2 || args[0].tag != Tag::Int || args[1].tag != Tag::Int) awk_assert2(0x310D);
  cellSetInt(awk_retval, int32_t(uint32_t(args[0].w.i) << (uint32_t(args[1].w.i) & 31)));
}

// Arithmetic shift: the sign bit fills from the left.
void b_shiftr(int argc, Cell* args) {
  if (argc != 2 || args[0].tag != Tag::Int || args[1].tag != Tag::Int) awk_assert2(0x310E);
  cellSetInt(awk_retval, args[0].w.i >> (uint32_t(args[1].w.i) & 31));
}

// int(x): truncation toward zero. Floats below 2^31 in magnitude become
// ints; larger ones, infinities and NaN stay floats (with 0 decimals).
void b_int(int argc, Cell* args) {
  if (argc != 1) awk_assert2(0x3103);
  Cell n;
  awk_cvtn(&args[0], &n);
  if (n.tag == Tag::Int) {
    cellSetInt(awk_retval, n.w.i);
    return;
  }
  if (n.tag != Tag::Float) awk_assert2(0x3103);
  double d = n.x.d;
  int e = 0;
  if (std::isfinite(d)) std::frexp(d, &e);
  if (std::isfinite(d) && e <= 31) cellSetInt(awk_retval, int32_t(d));
  else cellSetFloat(awk_retval, std::isnan(d) ? d : std::trunc(d), 0);
}

// convertnum(s [, base]): s read in base (2..16), or in the base its text
// announces.
void b_convertnum(int argc, Cell* args) {
  if (argc < 1) return;
  int base = 0;
  if (argc >= 2) {
    base = intArg(args[1]);
    if (base < 2 || base > 16) {
      oops('w', "invalid convertnum base ignored");
      base = 0;
    }
  }
  AwkString* s = cellIsStringy(&args[0]) ? stringDup(args[0].w.s) : awk_a2s(&args[0]);
  cellSetInt(awk_retval, awk_convertnum(s->text(), s->len, base));
  stringFree(s);
}

// table(k1, v1, k2, v2, ...): a new array mapping each key to its value.
void b_table(int argc, Cell* args) {
  if (argc % 2 != 0) {
    oops('e', "table must have an even number of arguments");
    return;
  }
  Cell arr;
  arr.tag = Tag::Array;
  arr.w.t = awk_sanew(4);
  for (int i = 0; i + 1 < argc; i += 2) {
    Cell key = args[i], value = args[i + 1];
    awk_access(&key);
    awk_access(&value);
    awk_tabadd(&arr, &key, &value);
  }
  *awk_retval = arr;
}

void b_rand(int, Cell*) {
  if (!awk_random.seeded) awk_rseed(&awk_random, 0);
  retFloat(awk_rnext(&awk_random));
}

// srand([x]): seeds from x, or from the clock (mixed with one output of
// the generator once it has run). Returns nothing.
void b_srand(int argc, Cell* args) {
  int32_t seed;
  if (argc == 0) {
    seed = int32_t(awk_time());
    if (awk_random.seeded)
      seed = int32_t(uint32_t(seed) + uint32_t(int32_t(32000 * awk_rnext(&awk_random))));
  } else {
    if (argc != 1 || args[0].tag != Tag::Float) awk_assert2(0x3800);
    seed = awk_srandseed(args[0].x.d);
  }
  awk_rseed(&awk_random, seed);
}

void b_atan2(int argc, Cell* args) {
  if (argc != 2) return;
  retFloat(awk_mathcall2("atan2", std::atan2, floatArg(args[0]), floatArg(args[1])));
}

void b_cos(int argc, Cell* args) {
  if (argc != 1) return;
  retFloat(awk_mathcall1("cos", std::cos, floatArg(args[0])));
}

void b_exp(int argc, Cell* args) {
  if (argc != 1) return;
  retFloat(awk_mathcall1("exp", std::exp, floatArg(args[0])));
}

void b_log(int argc, Cell* args) {
  if (argc != 1) return;
  retFloat(awk_mathcall1("log", std::log, floatArg(args[0])));
}

void b_sin(int argc, Cell* args) {
  if (argc != 1) return;
  retFloat(awk_mathcall1("sin", std::sin, floatArg(args[0])));
}

void b_sqrt(int argc, Cell* args) {
  if (argc != 1) return;
  retFloat(awk_mathcall1("sqrt", std::sqrt, floatArg(args[0])));
}
