// Float arithmetic for compiled code. The right operand is the top stack
// cell, the left one the cell below it, which receives the result. Every
// result carries a decimals count (places it is known to have, 400 =
// unlimited): sums and differences keep the larger count, products add
// them, powers are unlimited, and a quotient by an integer of the form
// 2^a * 5^b (up to 15625) gains just the places that divisor can add.
#include <cmath>

#include "values/arith.h"
#include "values/convert.h"

namespace {

constexpr int kLeft = 1;  // the left operand sits one cell below the top

// Makes c a float in place; counted contents are released.
inline void toFloat(Cell* c) {
  switch (c->tag) {
    case Tag::Float:
      return;
    case Tag::Int:
      cellSetFloat(c, double(c->w.i), 0);
      return;
    case Tag::Uninit:
      cellSetFloat(c, 0.0, 0);
      return;
    default: {
      Cell t;
      awk_cvtf(c, &t);
      awk_unaccess(c);
      *c = t;
      return;
    }
  }
}

inline int16_t maxDec(int a, int b) { return int16_t(a > b ? a : b); }

}  // namespace

void awkf_plus(Cell* right) {
  Cell* left = right + kLeft;
  toFloat(left);
  toFloat(right);
  cellSetFloat(left, left->x.d + right->x.d, maxDec(left->w.dec, right->w.dec));
  awk_mathchk_result(left->x.d);
}

void awkf_minus(Cell* right) {
  Cell* left = right + kLeft;
  toFloat(left);
  toFloat(right);
  cellSetFloat(left, left->x.d - right->x.d, maxDec(left->w.dec, right->w.dec));
  awk_mathchk_result(left->x.d);
}

void awkf_times(Cell* right) {
  Cell* left = right + kLeft;
  toFloat(left);
  toFloat(right);
  int d = left->w.dec + right->w.dec;
  cellSetFloat(left, left->x.d * right->x.d,
               int16_t(d < kUnlimitedDecimals ? d : kUnlimitedDecimals));
  awk_mathchk_result(left->x.d);
}

void awkf_div(Cell* right) {
  Cell* left = right + kLeft;
  const bool intDivisor = right->tag == Tag::Int || right->tag == Tag::Uninit;
  const int64_t n = right->tag == Tag::Int ? right->w.i : 0;
  toFloat(left);
  toFloat(right);
  int16_t dec = intDivisor ? awk_quotdec(left->w.dec, n) : kUnlimitedDecimals;
  cellSetFloat(left, left->x.d / right->x.d, dec);
  awk_mathchk_result(left->x.d);
}

// Floored modulus: the result has the sign of the divisor.
void awkf_mod(Cell* right) {
  Cell* left = right + kLeft;
  toFloat(left);
  toFloat(right);
  const int16_t dec = maxDec(left->w.dec, right->w.dec);
  const double l = left->x.d, r = right->x.d;
  if (r == 0) {
    cellSetFloat(left, 0.0, dec);
    awk_matherrn(kMwModZero);
    return;
  }
  cellSetFloat(left, l - std::floor(l / r) * r, dec);
  awk_mathchk_result(left->x.d);
}

void awkf_power(Cell* right) {
  Cell* left = right + kLeft;
  toFloat(left);
  toFloat(right);
  cellSetFloat(left, std::pow(left->x.d, right->x.d), kUnlimitedDecimals);
  awk_mathchk_result(left->x.d);
}

void awkf_neg(Cell* top) {
  toFloat(top);
  top->x.d = -top->x.d;
}
