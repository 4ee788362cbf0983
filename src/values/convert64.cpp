// 64-bit integers and machine addresses as AWK values.
//
// Cells hold 32-bit ints; a 64-bit quantity that does not fit becomes a
// float, which keeps every user-space address (47 bits) exact. The way back
// accepts any number, so an address survives printing, arithmetic and a
// round trip through a variable.
#include <cmath>
#include <cstdint>

#include "values/convert.h"

void awk_u64num(uint64_t v, Cell* out) {
  if (v <= uint64_t(INT32_MAX))
    cellSetInt(out, int32_t(v));
  else
    cellSetFloat(out, double(v), 0);
}

void awk_i64num(int64_t v, Cell* out) {
  if (v >= INT32_MIN && v <= INT32_MAX)
    cellSetInt(out, int32_t(v));
  else
    cellSetFloat(out, double(v), 0);
}

namespace {

int64_t floatToInt64(double d) {
  if (std::isnan(d)) return 0;
  if (d >= 9223372036854775807.0) return INT64_MAX;
  if (d <= -9223372036854775808.0) return INT64_MIN;
  return int64_t(d);
}

}  // namespace

int64_t awk_a2ll(const Cell* c) {
  switch (c->tag) {
    case Tag::Int: return c->w.i;
    case Tag::Float: return floatToInt64(c->x.d);
    case Tag::Address: return int64_t(reinterpret_cast<uintptr_t>(c->w.s->text()));
    case Tag::RawPointer: return int64_t(reinterpret_cast<uintptr_t>(c->w.p));
    case Tag::String:
    case Tag::Field: {
      Cell n;
      awk_s2n(c->w.s, &n, 1);
      return n.tag == Tag::Int ? n.w.i : floatToInt64(n.x.d);
    }
    default: return awk_a2l(c);
  }
}

uint64_t awk_a2addr(const Cell* c) {
  switch (c->tag) {
    case Tag::Int: return uint32_t(c->w.i);
    case Tag::Address: return reinterpret_cast<uintptr_t>(c->w.s->text());
    case Tag::RawPointer: return reinterpret_cast<uintptr_t>(c->w.p);
    case Tag::String:
    case Tag::Field: {
      Cell n;
      awk_s2n(c->w.s, &n, 1);
      return awk_a2addr(&n);
    }
    default: return uint64_t(awk_a2ll(c));
  }
}
