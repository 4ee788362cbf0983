// The dispatch loop's inline quotient must give exactly what awkf_div gives
// (value bits, tag and decimals), and an int exactly when the division has
// no remainder. The other shortcuts (in-place `v += c` and `v = v x`,
// push-then-tonum) are checked through their AWK behaviour in
// cases/lang/fast_paths; here only `v + c` into another variable.
#include <cmath>
#include <utility>
#include <vector>

#include "interp_fixture.h"
#include "values/alloc.h"
#include "values/arith.h"

namespace interptest {
namespace {

Cell numCell(const Val& n) {
  if (n.kind == Val::I) return tsupport::intCell(n.i);
  return n.kind == Val::F ? tsupport::floatCell(n.d, int16_t(n.dec)) : Cell{};
}

struct DivCase { const char* name; Val l, r; };

const DivCase kDiv[] = {
    {"int by int, inexact", I(7), I(3)}, {"int by 4", I(7), I(4)}, {"int by 5", I(7), I(5)},
    {"int by 8: a quarter place per two", I(1), I(8)}, {"int by 15625", I(1), I(15625)},
    {"int by 15626", I(1), I(15626)}, {"int by -4", I(9), I(-4)}, {"min by -1", I(INT32_MIN), I(-1)},
    {"float by int", F(1.25, 2), I(4)}, {"float by 3", F(1.25, 2), I(3)},
    {"unlimited float by 2", F(1.0 / 3, kUnlimitedDecimals), I(2)},
    {"float by float", F(1.5, 1), F(0.5, 1)}, {"int by float", I(3), F(1.5, 1)},
    {"uninitialized by int: exact", U(), I(7)}, {"exact negative", I(-12), I(4)},
    {"int by uninitialized", I(7), U()}, {"float by zero", F(2.5, 1), I(0)}, {"zero by zero", I(0), I(0)},
    {"large float by int", F(1e300, 0), F(1e-10, 10)},
};

TEST(InterpFastPath, QuotientMatchesTheFloatService) {
  for (const DivCase& c : kDiv) {
    SCOPED_TRACE(c.name);
    Program p;
    ASSERT_TRUE(runStore(p, [&](Asm& a) {
      push(a, p, c.l);
      push(a, p, c.r);
      a.op(Op::op_div);
    }));

    const Cell* got = global(kG0);
    const bool small = c.l.kind != Val::F && c.r.kind != Val::F;
    if (small && c.r.i != 0 && !(c.l.i == INT32_MIN && c.r.i == -1) && c.l.i % c.r.i == 0) {
      // The exact integer quotient stays an int.
      ASSERT_EQ(int(got->tag), int(Tag::Int));
      EXPECT_EQ(got->w.i, c.l.i / c.r.i);
      continue;
    }
    Cell pair[2] = {numCell(c.r), numCell(c.l)};
    guarded([&] { awkf_div(&pair[0]); });
    const Cell& want = pair[1];
    ASSERT_EQ(int(got->tag), int(want.tag));
    if (want.tag == Tag::Float) {
      EXPECT_EQ(std::signbit(got->x.d), std::signbit(want.x.d));
      EXPECT_TRUE(std::isnan(want.x.d) ? std::isnan(got->x.d) : got->x.d == want.x.d) << got->x.d;
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
  ASSERT_TRUE(
      buildStore(p, [](Asm& a) { a.op(Op::op_gpush).g(kG0 + 1).op(Op::op_gpush).g(kG0 + 2).op(Op::op_div); }));
  std::vector<std::pair<int32_t, int32_t>> pairs = {
      {INT32_MAX, 1}, {INT32_MAX, -1}, {INT32_MIN, 1}, {INT32_MIN, 2}, {INT32_MIN, -2},
      {INT32_MAX, INT32_MAX}, {INT32_MIN, INT32_MIN}, {INT32_MAX - 1, 2}, {INT32_MAX, 2},
      {0, -5}, {-7, 7}, {2147483646, 1073741823}, {2147483645, 1073741823}};
  uint64_t x = 88172645463325252ull;
  auto next = [&x] { return x ^= x << 13, x ^= x >> 7, x ^= x << 17; };
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
    SCOPED_TRACE(std::to_string(l) + " / " + std::to_string(r));
    ASSERT_EQ(int(g->tag), int(exact ? Tag::Int : Tag::Float));
    if (exact) {
      EXPECT_EQ(g->w.i, l / r);
    } else {
      EXPECT_EQ(g->x.d, double(l) / double(r));
    }
  }
}

// `v + c` stored into another variable looks like `v += c` up to the store:
// it must take the long way and leave v alone (compiled code never makes it).
TEST(InterpFastPath, IncrementIntoAnotherVariable) {
  for (bool local : {false, true}) {
    SCOPED_TRACE(local ? "local" : "global");
    Program p;
    Asm a;
    if (local) a.op(Op::op_locals).u(2);
    a.op(Op::op_line).u(1).op(Op::op_pushi32).w(9);
    if (local) {
      a.op(Op::op_lstore).l(Asm::local(1)).op(Op::op_lpush).l(Asm::local(1)).op(Op::op_addi32).w(1);
      a.op(Op::op_lstore).l(Asm::local(2)).op(Op::op_lpush).l(Asm::local(1)).op(Op::op_gstore).g(kG0 + 1);
      a.op(Op::op_lpush).l(Asm::local(2));
    } else {
      a.op(Op::op_gstore).g(kG0 + 1).op(Op::op_gpush).g(kG0 + 1).op(Op::op_addi32).w(1);
      a.op(Op::op_gstore).g(kG0 + 2).op(Op::op_gpush).g(kG0 + 2);
    }
    a.op(Op::op_gstore).g(kG0).op(Op::op_ret);
    p.fn(1000, a, 0, local ? 2 : 0, local ? ";a b" : ";");
    ASSERT_TRUE(p.load());
    ASSERT_EQ(guarded([] { awki0(1000); }), -1);
    EXPECT_EQ(global(kG0)->w.i, 10);
    EXPECT_EQ(global(kG0 + 1)->w.i, 9);
  }
}

}  // namespace
}  // namespace interptest
