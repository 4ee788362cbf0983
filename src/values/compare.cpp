// Comparison and truth. Each operand gets a comparison class (int, float,
// may-be-string, string value, uninitialized); the pair of classes decides
// between a numeric and a text comparison. Float comparisons subtract and
// take the tolerant sign with the larger decimals count of the two, so
// values equal within their decimal precision compare equal.
//
// The comparison leaves the floating-point sticky flags as it found them
// where it matters: infinities and huge magnitudes are ordered without
// subtracting (no spurious overflow or invalid-operation warning at the
// next arithmetic operation), and an inexact subtraction is hidden while
// precision-loss reporting is on.
#include <cfenv>
#include <cmath>

#include "diag/oops.h"
#include "values/arith.h"
#include "values/compare.h"
#include "values/convert.h"

const uint8_t awk_cmptypes[14] = {
    21,  // uninitialized
    1,   // int
    2,   // float
    12,  // string
    4,   // field
    0,   // array
    1,   // fileid
    0, 0, 0, 0, 0, 0, 0,
};

int (*awk_recordmatch)(AwkPattern* re) = nullptr;

namespace {

constexpr int kPrecisionLossBit = 32;
constexpr double kHuge = 1e300;

inline int tagClass(const Cell* c) {
  unsigned t = unsigned(c->tag);
  return t < 14 ? awk_cmptypes[t] : 0;
}

inline int sign3(int32_t a, int32_t b) { return a < b ? -1 : (a > b ? 1 : 0); }

// Tolerant sign of left minus right.
int floatCompare(const Cell* left, const Cell* right) {
  Cell l, r;
  awk_cvtf(left, &l);
  awk_cvtf(right, &r);
  const double a = l.x.d, b = r.x.d;
  if (a == b) return 0;
  if (std::isnan(a) || std::isnan(b)) return 1;
  if (std::fabs(a) > kHuge || std::fabs(b) > kHuge) return a < b ? -1 : 1;
  const int dec = l.w.dec > r.w.dec ? l.w.dec : r.w.dec;
  if (awk_mask87 & kPrecisionLossBit) {
    const int before = std::fetestexcept(FE_INEXACT);
    const double d = a - b;
    if (!before) std::feclearexcept(FE_INEXACT);
    return awk_fcmp(&d, dec);
  }
  const double d = a - b;
  return awk_fcmp(&d, dec);
}

// Numeric comparison under the two classes: integers when both are ints.
int numericCompare(int a, int b, const Cell* left, const Cell* right) {
  if (a & b & kCmpInt) return sign3(awk_a2l(left), awk_a2l(right));
  return floatCompare(left, right);
}

// The class a string value takes when its text scans as a number, or 0.
int scannedClass(const Cell* c) {
  Cell n;
  if (!awk_s2n(c->w.s, &n, 0)) return 0;
  return n.tag == Tag::Int ? kCmpInt : kCmpFloat;
}

// A pattern used as a condition: does it match somewhere in $0?
int matchesRecord(AwkPattern* re) { return re && awk_recordmatch ? awk_recordmatch(re) : 0; }

inline bool isIntZero(const Cell* c) { return c->tag == Tag::Int && c->w.i == 0; }

// Text comparison with the notes about common mistakes.
int textCompare(int op, int a, int b, const Cell* left, const Cell* right) {
  AwkString* ls = awk_a2s(left);
  AwkString* rs = awk_a2s(right);
  const int r = stringCmp(ls, rs);
  if (awk_warnings & 2) {
    if (op == kOpEq || op == kOpNe) {
      if ((isIntZero(left) && rs->len == 0) || (isIntZero(right) && ls->len == 0))
        oops('n', "Comparison of 0 to \"\" (0 != \"\" in AWK)");
    } else if ((a && !(a & ~3)) || (b && !(b & ~3))) {
      const int n = numericCompare(a, b, left, right);
      if ((n < 0) != (r < 0)) oops('n', "Comparison of number with non-numeric string may give unexpected results");
    }
  }
  stringFree(ls);
  stringFree(rs);
  return r;
}

}  // namespace

int awk_basetype(const Cell* c) {
  int k = tagClass(c);
  if (c->tag == Tag::Field) {
    Cell n;
    if (awk_s2n(c->w.s, &n, 0)) k |= n.tag == Tag::Int ? kCmpInt : kCmpFloat;
  }
  return k;
}

// Sign of left minus right; see compare.h.
int awk_cmp_any(int op, const Cell* right, const Cell* left) {
  int a = awk_basetype(left);
  int b = awk_basetype(right);
  const int num = kCmpInt | kCmpFloat;
  if ((a & kCmpString) && (b & kCmpString)) return stringCmp(left->w.s, right->w.s);
  if ((a & num) && (b & num)) return numericCompare(a, b, left, right);
  if ((a & kCmpString) && (b & num) && !(b & kCmpUninit)) {
    if (int k = scannedClass(left)) return numericCompare(k, b, left, right);
    return textCompare(op, a, b, left, right);
  }
  if ((b & kCmpString) && (a & num) && !(a & kCmpUninit)) {
    if (int k = scannedClass(right)) return numericCompare(a, k, left, right);
    return textCompare(op, a, b, left, right);
  }
  if (a == 0 || b == 0) {
    if ((op == kOpEq || op == kOpNe) && left->tag == Tag::Array && right->tag == Tag::Array)
      return left->w.t == right->w.t ? 0 : 1;
    const unsigned t = unsigned(a == 0 ? left->tag : right->tag);
    oops('n', "use of %s in comparison", t < 14 ? awk_typenames[t] : "unknown");
    return 0;
  }
  return textCompare(op, a, b, left, right);
}

// Non-zero when the value counts as true; see compare.h.
int awk_testany(const Cell* c) {
  switch (c->tag) {
    case Tag::Uninit:
      return 0;
    case Tag::Int:
      return c->w.i != 0;
    case Tag::FileId:
      return c->w.f != nullptr;
    case Tag::Float:
      return awk_fcmp(&c->x.d, c->w.dec);
    case Tag::String:
      return c->w.s->len != 0;
    case Tag::Field: {
      Cell n;
      if (awk_s2n(c->w.s, &n, 1))
        return n.tag == Tag::Int ? n.w.i != 0 : awk_fcmp(&n.x.d, n.w.dec);
      return c->w.s->len != 0;
    }
    case Tag::Regex:
      return matchesRecord(c->w.re);
    case Tag::Array:
      oops('n', "odd test of array for TRUE or FALSE, use: length(array)");
      return c->w.t != nullptr;
    default:
      oops('w', "unrecognized type in testany");
      return 0;
  }
}

int awka_testany(const Cell* c) { return awk_testany(c); }
