// The dispatch loop's shortcuts must give exactly what the general services
// give: the inline float quotient against awkf_div, and the in-place append
// of `v = v x` against building a new string, including when the string is
// shared, appended to itself or stored somewhere else.
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "interp_fixture.h"
#include "values/alloc.h"
#include "values/arith.h"

namespace interptest {
namespace {

struct Num {
  Tag tag;
  int32_t i;
  double d;
  int dec;
};
Num I(int32_t v) { return {Tag::Int, v, 0, 0}; }
Num F(double v, int dec) { return {Tag::Float, 0, v, dec}; }
Num U() { return {Tag::Uninit, 0, 0, 0}; }

void pushNum(Asm& a, const Num& n) {
  switch (n.tag) {
    case Tag::Int: a.op(Op::op_pushi32).w(n.i); break;
    case Tag::Float: a.op(Op::op_pushf).d(n.d, uint16_t(n.dec)); break;
    default: a.op(Op::op_pushu); break;
  }
}

void setNum(Cell* c, const Num& n) {
  switch (n.tag) {
    case Tag::Int: cellSetInt(c, n.i); break;
    case Tag::Float: cellSetFloat(c, n.d, int16_t(n.dec)); break;
    default: cellSetUninit(c); break;
  }
}

struct DivCase {
  const char* name;
  Num l, r;
};

const DivCase kDiv[] = {
    {"int by int, inexact", I(7), I(3)},
    {"int by 4", I(7), I(4)},
    {"int by 5", I(7), I(5)},
    {"int by 8: a quarter place per two", I(1), I(8)},
    {"int by 15625", I(1), I(15625)},
    {"int by 15626", I(1), I(15626)},
    {"int by -4", I(9), I(-4)},
    {"min by -1", I(INT32_MIN), I(-1)},
    {"float by int", F(1.25, 2), I(4)},
    {"float by 3", F(1.25, 2), I(3)},
    {"unlimited float by 2", F(1.0 / 3, kUnlimitedDecimals), I(2)},
    {"float by float", F(1.5, 1), F(0.5, 1)},
    {"int by float", I(3), F(1.5, 1)},
    {"uninitialized by int: exact", U(), I(7)},
    {"exact negative", I(-12), I(4)},
    {"int by uninitialized", I(7), U()},
    {"float by zero", F(2.5, 1), I(0)},
    {"zero by zero", I(0), I(0)},
    {"large float by int", F(1e300, 0), F(1e-10, 10)},
};

// The interpreter's quotient is bit for bit awkf_div's: value, tag and
// decimals.
TEST(InterpFastPath, QuotientMatchesTheFloatService) {
  for (const DivCase& c : kDiv) {
    SCOPED_TRACE(c.name);
    Program p;
    Asm a;
    a.op(Op::op_line).u(1);
    pushNum(a, c.l);
    pushNum(a, c.r);
    a.op(Op::op_div);
    a.op(Op::op_gstore).g(kG0);
    a.op(Op::op_ret);
    p.fn(1000, a);
    ASSERT_TRUE(p.load());
    ASSERT_EQ(guarded([] { awki0(1000); }), -1);

    const Cell* got = global(kG0);
    const bool small = c.l.tag != Tag::Float && c.r.tag != Tag::Float;
    if (small && c.r.i != 0 && !(c.l.i == INT32_MIN && c.r.i == -1) && c.l.i % c.r.i == 0) {
      // The exact integer quotient stays an int.
      ASSERT_EQ(int(got->tag), int(Tag::Int));
      EXPECT_EQ(got->w.i, c.l.i / c.r.i);
      continue;
    }
    Cell pair[2];
    setNum(&pair[1], c.l);
    setNum(&pair[0], c.r);
    std::string err;
    guarded([&] { awkf_div(&pair[0]); }, &err);
    const Cell& want = pair[1];
    ASSERT_EQ(int(got->tag), int(want.tag));
    if (want.tag == Tag::Float) {
      EXPECT_EQ(std::signbit(got->x.d), std::signbit(want.x.d));
      if (std::isnan(want.x.d))
        EXPECT_TRUE(std::isnan(got->x.d));
      else
        EXPECT_EQ(got->x.d, want.x.d);
      EXPECT_EQ(got->w.dec, want.w.dec);
    } else {
      EXPECT_EQ(got->w.i, want.w.i);
    }
  }
}

// Two ints give an int exactly when the division has no remainder, across
// magnitudes and signs (the exactness test works on the double quotient).
TEST(InterpFastPath, IntQuotientOnlyWhenExact) {
  Program p;
  Asm a;
  a.op(Op::op_line).u(1);
  a.op(Op::op_gpush).g(kG0 + 1);
  a.op(Op::op_gpush).g(kG0 + 2);
  a.op(Op::op_div);
  a.op(Op::op_gstore).g(kG0);
  a.op(Op::op_ret);
  p.fn(1000, a);
  ASSERT_TRUE(p.load());
  std::vector<std::pair<int32_t, int32_t>> pairs = {
      {INT32_MAX, 1}, {INT32_MAX, -1}, {INT32_MIN, 1}, {INT32_MIN, 2}, {INT32_MIN, -2},
      {INT32_MAX, INT32_MAX}, {INT32_MIN, INT32_MIN}, {INT32_MAX - 1, 2}, {INT32_MAX, 2},
      {0, -5}, {-7, 7}, {2147483646, 1073741823}, {2147483645, 1073741823}};
  uint64_t x = 88172645463325252ull;
  auto next = [&x] {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    return x;
  };
  for (int i = 0; i < 3000; ++i) {
    int32_t r = int32_t(next() >> (40 + next() % 24)) * ((next() & 1) ? 1 : -1);
    int32_t q = int32_t(next() >> (33 + next() % 31));
    int32_t l = (next() % 3 == 0) ? int32_t(int64_t(r) * q) : int32_t(next());
    if (r != 0) pairs.emplace_back(l, r);
  }
  for (auto [l, r] : pairs) {
    cellSetInt(global(kG0 + 1), l);
    cellSetInt(global(kG0 + 2), r);
    awki0(1000);
    const Cell* g = global(kG0);
    const bool exact = int64_t(l) % r == 0 && !(l == INT32_MIN && r == -1);
    ASSERT_EQ(int(g->tag), int(exact ? Tag::Int : Tag::Float)) << l << " / " << r;
    if (exact)
      EXPECT_EQ(g->w.i, l / r) << l << " / " << r;
    else
      EXPECT_EQ(g->x.d, double(l) / double(r)) << l << " / " << r;
  }
}

// `v += c` as a statement is done in place on an int; every other start
// value, an overflow, or a store into another variable takes the long way,
// with the same result.
TEST(InterpFastPath, IncrementStatements) {
  struct Case {
    const char* name;
    bool local;
    Num start;          // U() for a variable never assigned
    const char* text;   // a string start instead, when not null
    int32_t add;
    bool other;         // store into another variable (G1, or local 2)
    Tag tag;
    double value;       // of the variable stored into
  } cases[] = {
      {"global int", false, I(41), nullptr, 1, false, Tag::Int, 42},
      {"global uninitialized", false, U(), nullptr, 1, false, Tag::Int, 1},
      {"global by a negative constant", false, I(5), nullptr, -7, false, Tag::Int, -2},
      {"global overflow", false, I(INT32_MAX), nullptr, 1, false, Tag::Float, 2147483648.0},
      {"global underflow", false, I(INT32_MIN), nullptr, -1, false, Tag::Float, -2147483649.0},
      {"global float", false, F(1.5, 1), nullptr, 2, false, Tag::Float, 3.5},
      {"global numeric string", false, U(), "41", 1, false, Tag::Float, 42},
      {"into another global", false, I(9), nullptr, 1, true, Tag::Int, 10},
      {"local int", true, I(99), nullptr, 1, false, Tag::Int, 100},
      {"local overflow", true, I(INT32_MAX), nullptr, 2, false, Tag::Float, 2147483649.0},
      {"local into another local", true, I(3), nullptr, 4, true, Tag::Int, 7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Program p;
    Asm a;
    if (c.local) a.op(Op::op_locals).u(2);
    a.op(Op::op_line).u(1);
    if (c.text) {
      a.op(Op::op_pushs).a(p.str(c.text));
    } else {
      pushNum(a, c.start);
    }
    if (c.local) {
      a.op(Op::op_lstore).l(Asm::local(1));
      a.op(Op::op_lpush).l(Asm::local(1));
      a.op(Op::op_addi32).w(c.add);
      a.op(Op::op_lstore).l(Asm::local(c.other ? 2 : 1));
      a.op(Op::op_lpush).l(Asm::local(c.other ? 2 : 1));
      a.op(Op::op_gstore).g(kG0);
      a.op(Op::op_lpush).l(Asm::local(1));
      a.op(Op::op_gstore).g(kG0 + 1);
    } else {
      a.op(Op::op_gstore).g(kG0 + 1);
      a.op(Op::op_gpush).g(kG0 + 1);
      a.op(Op::op_addi32).w(c.add);
      a.op(Op::op_gstore).g(c.other ? kG0 + 2 : kG0 + 1);
      a.op(Op::op_gpush).g(c.other ? kG0 + 2 : kG0 + 1);
      a.op(Op::op_gstore).g(kG0);
    }
    a.op(Op::op_ret);
    p.fn(1000, a, 0, c.local ? 2 : 0, c.local ? ";a b" : ";");
    ASSERT_TRUE(p.load());
    Cell* base = awk_sp;
    ASSERT_EQ(guarded([] { awki0(1000); }), -1);
    EXPECT_EQ(awk_sp, base);
    const Cell* g = global(kG0);
    ASSERT_EQ(int(g->tag), int(c.tag));
    if (c.tag == Tag::Int)
      EXPECT_EQ(g->w.i, int32_t(c.value));
    else
      EXPECT_EQ(g->x.d, c.value);
    if (c.other) {
      // The source variable kept its value.
      const Cell* src = global(kG0 + 1);
      ASSERT_EQ(int(src->tag), int(Tag::Int));
      EXPECT_EQ(src->w.i, c.start.i);
    }
  }
}

// A variable pushed and made numeric at once (gpush or lpush, then tonum)
// gives what the two instructions give apart.
TEST(InterpFastPath, PushThenToNum) {
  struct Case {
    const char* name;
    Num start;
    const char* text;  // a string start instead, when not null
    Tag tag;
    double value;
  } cases[] = {
      {"int", I(-8), nullptr, Tag::Int, -8},
      {"uninitialized", U(), nullptr, Tag::Int, 0},
      {"float", F(2.5, 1), nullptr, Tag::Float, 2.5},
      {"integral string", U(), "12", Tag::Int, 12},
      {"fractional string", U(), "1.5", Tag::Float, 1.5},
      {"text", U(), "abc", Tag::Int, 0},
  };
  for (bool local : {false, true}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (local ? " (local)" : " (global)"));
      Program p;
      Asm a;
      if (local) a.op(Op::op_locals).u(1);
      a.op(Op::op_line).u(1);
      if (c.text)
        a.op(Op::op_pushs).a(p.str(c.text));
      else
        pushNum(a, c.start);
      if (local) {
        a.op(Op::op_lstore).l(Asm::local(1));
        a.op(Op::op_lpush).l(Asm::local(1));
      } else {
        a.op(Op::op_gstore).g(kG0 + 1);
        a.op(Op::op_gpush).g(kG0 + 1);
      }
      a.op(Op::op_tonum);
      a.op(Op::op_gstore).g(kG0);
      a.op(Op::op_ret);
      p.fn(1000, a, 0, local ? 1 : 0, local ? ";v" : ";");
      ASSERT_TRUE(p.load());
      Cell* base = awk_sp;
      ASSERT_EQ(guarded([] { awki0(1000); }), -1);
      EXPECT_EQ(awk_sp, base);
      const Cell* g = global(kG0);
      ASSERT_EQ(int(g->tag), int(c.tag));
      if (c.tag == Tag::Int)
        EXPECT_EQ(g->w.i, int32_t(c.value));
      else
        EXPECT_EQ(g->x.d, c.value);
    }
  }
}

// A call's result made numeric at once (op_call, then tonum) gives what
// the two instructions give apart, for results of every kind.
TEST(InterpFastPath, CallResultThenToNum) {
  struct Case {
    const char* name;
    Num value;
    const char* text;  // a string result instead, when not null
    bool none;         // the callee returns without a value
    Tag tag;
    double want;
  } cases[] = {
      {"int", I(7), nullptr, false, Tag::Int, 7},
      {"float", F(0.25, 2), nullptr, false, Tag::Float, 0.25},
      {"numeric string", U(), "12", false, Tag::Int, 12},
      {"text", U(), "x", false, Tag::Int, 0},
      {"no value", U(), nullptr, true, Tag::Int, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Program p;
    Asm callee;
    callee.op(Op::op_line).u(1);
    if (!c.none) {
      if (c.text)
        callee.op(Op::op_pushs).a(p.str(c.text));
      else
        pushNum(callee, c.value);
      callee.op(Op::op_retv);
    }
    callee.op(Op::op_ret);
    p.fn(1001, callee);
    Asm a;
    a.op(Op::op_line).u(1);
    a.op(Op::op_pushslot);
    a.op(Op::op_call).p(0, 0).c(1001);
    a.op(Op::op_tonum);
    a.op(Op::op_gstore).g(kG0);
    a.op(Op::op_ret);
    p.fn(1000, a);
    ASSERT_TRUE(p.load());
    Cell* base = awk_sp;
    ASSERT_EQ(guarded([] { awki0(1000); }), -1);
    EXPECT_EQ(awk_sp, base);
    const Cell* g = global(kG0);
    ASSERT_EQ(int(g->tag), int(c.tag));
    if (c.tag == Tag::Int)
      EXPECT_EQ(g->w.i, int32_t(c.want));
    else
      EXPECT_EQ(g->x.d, c.want);
  }
}

// How the loop's body appends to the variable.
enum class Body {
  Append,         // v = v piece
  AppendTwo,      // v = v piece piece
  SelfAppend,     // v = v v
  StoreElsewhere  // G1 = v piece (v itself unchanged)
};

struct AppendCase {
  const char* name;
  bool local;          // the variable is a local of the function (else G0)
  Body body;
  int times;
  int snapshotAt;      // after this iteration G1 = v (-1: never)
  bool fieldStart;     // G0 starts as a field-tagged cell "fld" (globals only)
};

const AppendCase kAppend[] = {
    {"global, short", false, Body::Append, 5, -1, false},
    {"global, across many buckets", false, Body::Append, 3000, -1, false},
    {"global, two pieces", false, Body::AppendTwo, 700, -1, false},
    {"global shared midway", false, Body::Append, 400, 137, false},
    {"global shared at once", false, Body::Append, 50, 0, false},
    {"global appended to itself", false, Body::SelfAppend, 12, -1, false},
    {"global stored elsewhere", false, Body::StoreElsewhere, 20, -1, false},
    {"global that held a field", false, Body::Append, 300, -1, true},
    {"local, many", true, Body::Append, 2500, -1, false},
    {"local shared midway", true, Body::Append, 600, 300, false},
    {"local appended to itself", true, Body::SelfAppend, 10, -1, false},
};

constexpr const char* kStart = "ab";
constexpr const char* kPiece = "xyz";

std::string expected(const AppendCase& c, int iterations) {
  std::string v = c.fieldStart ? "fld" : kStart;
  for (int i = 0; i < iterations; ++i) {
    switch (c.body) {
      case Body::Append: v += kPiece; break;
      case Body::AppendTwo: v += std::string(kPiece) + kPiece; break;
      case Body::SelfAppend: v += v; break;
      case Body::StoreElsewhere: break;
    }
  }
  return v;
}

// v = start; for (n = 0; n < times; n++) { body; if (n == snapshotAt) G1 = v }
// G0 = v at the end (for a local).
void buildAppend(Program& p, const AppendCase& c) {
  Asm a;
  auto head = a.label(), done = a.label(), noSnap = a.label();
  const int16_t v = Asm::local(1);
  auto pushV = [&] {
    if (c.local)
      a.op(Op::op_lpush).l(v);
    else
      a.op(Op::op_gpush).g(kG0);
  };
  auto storeV = [&] {
    if (c.local)
      a.op(Op::op_lstore).l(v);
    else
      a.op(Op::op_gstore).g(kG0);
  };
  if (c.local) a.op(Op::op_locals).u(1);
  a.op(Op::op_line).u(1);
  if (!c.fieldStart) {
    // A string of the heap, not the image's own constant.
    a.op(Op::op_pushs).a(p.str(kStart));
    a.op(Op::op_pushs).a(p.str(""));
    a.op(Op::op_concat).b(2);
    storeV();
  }
  a.op(Op::op_pushi32).w(0);
  a.op(Op::op_gstore).g(kG0 + 2);
  a.here(head);
  a.op(Op::op_line).u(2);
  a.op(Op::op_gpush).g(kG0 + 2);
  a.op(Op::op_pushi32).w(c.times);
  a.op(Op::op_cmp).b(0);
  a.op(Op::op_jf).jumpTo(done);
  pushV();
  a.op(Op::op_tostr);
  switch (c.body) {
    case Body::Append:
    case Body::StoreElsewhere:
      a.op(Op::op_pushs).a(p.str(kPiece));
      a.op(Op::op_concat).b(2);
      break;
    case Body::AppendTwo:
      a.op(Op::op_pushs).a(p.str(kPiece));
      a.op(Op::op_pushs).a(p.str(kPiece));
      a.op(Op::op_concat).b(3);
      break;
    case Body::SelfAppend:
      pushV();
      a.op(Op::op_tostr);
      a.op(Op::op_concat).b(2);
      break;
  }
  if (c.body == Body::StoreElsewhere)
    a.op(Op::op_gstore).g(kG0 + 1);
  else
    storeV();
  a.op(Op::op_gpush).g(kG0 + 2);
  a.op(Op::op_pushi32).w(c.snapshotAt);
  a.op(Op::op_cmp).b(8);
  a.op(Op::op_jf).jumpTo(noSnap);
  pushV();
  a.op(Op::op_gstore).g(kG0 + 1);
  a.here(noSnap);
  a.op(Op::op_gpush).g(kG0 + 2);
  a.op(Op::op_addi32).w(1);
  a.op(Op::op_gstore).g(kG0 + 2);
  a.op(Op::op_jmp).jumpTo(head);
  a.here(done);
  if (c.local) {
    a.op(Op::op_lpush).l(v);
    a.op(Op::op_gstore).g(kG0);
  }
  a.op(Op::op_ret);
  p.fn(1000, a, 0, c.local ? 1 : 0, c.local ? ";v" : ";");
}

void clearGlobal(Cell* g) {
  if (g->tag > Tag::Float) awk_unaccess(g);
  cellSetUninit(g);
}

TEST(InterpFastPath, AppendInPlaceGivesTheSameStrings) {
  for (const AppendCase& c : kAppend) {
    SCOPED_TRACE(c.name);
    Program p;
    buildAppend(p, c);
    ASSERT_TRUE(p.load());
    const int32_t blocksBefore = awk_malloccount;
    if (c.fieldStart) {
      Cell* g = global(kG0);
      cellSetHead(g, Tag::Field);
      g->w.s = stringNew("fld");
    }
    ASSERT_EQ(guarded([] { awki0(1000); }), -1);

    const Cell* v = global(kG0);
    ASSERT_TRUE(cellIsStringy(v));
    EXPECT_EQ(text(v), expected(c, c.body == Body::StoreElsewhere ? 0 : c.times));
    const Cell* other = global(kG0 + 1);
    if (c.body == Body::StoreElsewhere) {
      EXPECT_EQ(text(other), expected(c, 0) + kPiece);
    } else if (c.snapshotAt >= 0) {
      EXPECT_EQ(text(other), expected(c, c.snapshotAt + 1));
    }
    // Each holder owns exactly one reference.
    if (other->tag == Tag::String && other->w.s == v->w.s)
      EXPECT_EQ(v->w.s->ref, 2);
    else
      EXPECT_EQ(v->w.s->ref, 1);
    // Nothing leaked: dropping the variables gives every block back.
    clearGlobal(global(kG0));
    clearGlobal(global(kG0 + 1));
    clearGlobal(global(kG0 + 2));
    EXPECT_EQ(awk_malloccount, blocksBefore);
  }
}

}  // namespace
}  // namespace interptest
