// Number, integer and string views of any value cell, and the tolerant sign.
//
// Floats become strings through CONVFMT (OFMT while an output statement
// converts its operands). That conversion runs the printf engine, which may
// itself convert values; a conversion that re-enters itself, or a format
// the engine rejects, ends the run. The common format "%.6g" with an
// integral value below 10^6 prints as that integer without the engine
// (the engine would print exactly the same digits).
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "format/printf.h"
#include "diag/oops.h"
#include "values/arith.h"
#include "values/convert.h"

int awk_inprint;
AwkString* awk_convfmt;
AwkString* awk_ofmt;
const char awk_m_badarray[] = "Array used in inappropriate context";
const char awk_m_badere[] = "Regular expression used in inappropriate context";

namespace {

int floatDepth;  // > 0 while a float is being formatted

AwkString* decimalString(int32_t v) {
  char buf[16];
  char* end = buf + sizeof buf;
  char* p = awk_l_format(v, end, 1, 0, 0);
  return stringNew1(p, uint32_t(end - p));
}

AwkString* unsignedString(uint64_t v, bool negative = false) {
  char buf[24];
  char* end = buf + sizeof buf;
  char* p = end;
  do {
    *--p = char('0' + v % 10);
    v /= 10;
  } while (v);
  if (negative) *--p = '-';
  return stringNew1(p, uint32_t(end - p));
}

// The integer text of a float holding an exact integer below 2^53 in
// magnitude; null for any other float.
AwkString* integralString(double v) {
  constexpr double kExact = 9007199254740992.0;  // 2^53
  if (!(std::fabs(v) < kExact) || v != std::trunc(v)) return nullptr;
  if (v >= INT32_MIN && v <= INT32_MAX) return decimalString(int32_t(v));
  return unsignedString(uint64_t(std::fabs(v)), v < 0);
}

bool isDefaultFormat(const AwkString* f) {
  return f->len == 4 && std::memcmp(f->text(), "%.6g", 4) == 0;
}

// The default format straight through the converter (no width, so no
// justification): the same text awk_asprintf would build.
AwkString* defaultFormat(const Cell* c) {
  static Conversion defaultConv;
  if (!defaultConv.conv) awk_get_print_fmt(&defaultConv, ".6g");
  double v = c->x.d;
  if (awk_fcmp(&v, c->w.dec) == 0) v = 0;
  Conversion sp = defaultConv;
  char buf[kCvtBufSize];
  uint32_t len;
  const char* text = awk_sprint_cvt(buf, &sp, 0, v, nullptr, 0, &len);
  return stringNew1(text, len);
}

// The string of a float cell under CONVFMT or OFMT.
AwkString* floatString(const Cell* c) {
  if (AwkString* s = integralString(c->x.d)) return s;
  const AwkString* fmt = awk_inprint ? awk_ofmt : awk_convfmt;
  if (!fmt || isDefaultFormat(fmt)) return defaultFormat(c);
  if (!fmt) {
    awk_convinit();
    fmt = awk_inprint ? awk_ofmt : awk_convfmt;
  }
  if (floatDepth) oops('F', "invalid CONVFMT or OFMT format string");
  ++floatDepth;
  const char* err = nullptr;
  AwkString* s = awk_asprintf(fmt, 1, c, &err);
  --floatDepth;
  if (err) oops('F', "invalid CONVFMT or OFMT format string");
  return s;
}

// Float to 32-bit integer: truncation, clamped with warning 9 beyond the
// range (0.1 of slack at each end). NaN gives 0.
int32_t floatToInt(double v, int uns) {
  if (std::isnan(v)) return 0;
  if (uns && v >= 2147483648.0) {
    if (v > 4294967295.1) {
      awk_matherrn(kMwIntConvert);
      return int32_t(UINT32_MAX);
    }
    return int32_t(uint32_t(v));
  }
  if (v > 2147483647.1) {
    awk_matherrn(kMwIntConvert);
    return INT32_MAX;
  }
  if (v <= -2147483648.1) {
    awk_matherrn(kMwIntConvert);
    return INT32_MIN;
  }
  if (v >= 2147483647.0) return INT32_MAX;
  if (v <= -2147483648.0) return INT32_MIN;
  return int32_t(v);
}

}  // namespace

void awk_convinit() {
  if (awk_convfmt) return;
  awk_convfmt = stringNew("%.6g");
  awk_ofmt = stringDup(awk_convfmt);
}

// Sign of *v, treating magnitudes below 2^(-4 * decimals) as zero.
int awk_fcmp(const double* v, int decimals) {
  const double x = *v;
  if (x == 0) return 0;
  if (std::isfinite(x)) {
    int e;
    std::frexp(x, &e);
    if (e - 1 < -4 * decimals) return 0;
  }
  return x < 0 ? -1 : 1;
}

// Number cell from any cell: ints stay ints, floats keep their decimals,
// strings are scanned with warnings.
void awk_cvtn(const Cell* c, Cell* out) {
  switch (c->tag) {
    case Tag::Int:
      if (out != c) cellSetInt(out, c->w.i);
      return;
    case Tag::Float:
      if (out != c) cellSetFloat(out, c->x.d, c->w.dec);
      return;
    case Tag::String:
    case Tag::Field:
      awk_s2n(c->w.s, out, 1);
      return;
    case Tag::RawPointer:
      awk_u64num(reinterpret_cast<uintptr_t>(c->w.p), out);
      return;
    case Tag::Address:
      awk_u64num(reinterpret_cast<uintptr_t>(c->w.s->text()), out);
      return;
    case Tag::FileId:
      cellSetInt(out, (c->w.f ? awk_owner(OwnerKind::Stream).number(c->w.f) : 0));
      return;
    case Tag::Array:
    case Tag::PackedArray:
      oops('w', awk_m_badarray);
      cellSetInt(out, 0);
      return;
    case Tag::Regex:
      oops('w', awk_m_badere);
      cellSetInt(out, 0);
      return;
    default:
      cellSetInt(out, 0);
      return;
  }
}

void awk_cvtf(const Cell* c, Cell* out) {
  awk_cvtn(c, out);
  if (out->tag == Tag::Int) {
    cellSetFloat(out, double(out->w.i), 0);
  } else if (out->tag != Tag::Float) {
    awk_assert2(0x3A00);
  }
}

// 32-bit integer from any cell. Text is scanned with warnings and then
// converted under the same signedness (so "4294967295" and 4294967295
// give the same unsigned value).
int32_t awk_a2ls(const Cell* c, int uns) {
  switch (c->tag) {
    case Tag::Int:
      return c->w.i;
    case Tag::RawPointer:
      return int32_t(reinterpret_cast<uintptr_t>(c->w.p));
    case Tag::Float:
      return floatToInt(c->x.d, uns);
    case Tag::String:
    case Tag::Field: {
      Cell n;
      awk_s2n(c->w.s, &n, 1);
      return n.tag == Tag::Int ? n.w.i : floatToInt(n.x.d, uns);
    }
    case Tag::Array:
    case Tag::PackedArray:
      oops('n', awk_m_badarray);
      return 0;
    case Tag::Regex:
      oops('n', awk_m_badere);
      return 0;
    case Tag::Address:
      return int32_t(reinterpret_cast<uintptr_t>(c->w.s->text()));
    case Tag::FileId:
      return (c->w.f ? awk_owner(OwnerKind::Stream).number(c->w.f) : 0);
    default:
      return 0;
  }
}

int32_t awk_a2l(const Cell* c) { return awk_a2ls(c, 0); }

// String object from any cell; the caller owns one reference.
AwkString* awk_a2s(const Cell* c) {
  switch (c->tag) {
    case Tag::String:
    case Tag::Field:
      return stringDup(c->w.s);
    case Tag::Int:
      return decimalString(c->w.i);
    case Tag::Float:
      return floatString(c);
    case Tag::RawPointer:
      return unsignedString(reinterpret_cast<uintptr_t>(c->w.p));
    case Tag::Address:
      return unsignedString(reinterpret_cast<uintptr_t>(c->w.s->text()));
    case Tag::FileId:
      return decimalString(c->w.f ? awk_owner(OwnerKind::Stream).number(c->w.f) : 0);
    case Tag::Array:
      oops('n', awk_m_badarray);
      return stringNew1("", 0);
    case Tag::Regex:
      return c->w.re ? awk_owner(OwnerKind::Pattern).text(c->w.re) : stringNew1("", 0);
    case Tag::VmString:
    case Tag::VmField:
      return stringCopy(c->w.s);
    default:
      return stringNew1("", 0);
  }
}

// As awk_a2s, consuming the cell: a string or field hands over its own
// reference; counted objects of other tags are released after conversion.
AwkString* awk_a2s_unacc(Cell* c) {
  switch (c->tag) {
    case Tag::String:
    case Tag::Field:
      return c->w.s;
    case Tag::Uninit:
    case Tag::Int:
    case Tag::Float:
      return awk_a2s(c);
    default: {
      AwkString* s = awk_a2s(c);
      awk_unaccess(c);
      return s;
    }
  }
}
