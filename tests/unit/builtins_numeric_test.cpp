// Bit and numeric builtins: 32-bit bit operations and shifts, int of large
// and special floats, convertnum's bases, the table constructor, the random
// generator's reproducibility and range, srand's seed derivation, and the
// mathematical functions' decimals and error reports.
#include <cfenv>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "builtins_fixture.h"
#include "builtins/strlib.h"
#include "diag/oops.h"
#include "values/arith.h"

namespace {

using namespace btest;

class NumericBuiltins : public BuiltinTest {};

struct IntCase {
  BuiltinFn fn;
  const char* name;
  std::vector<int32_t> args;
  int32_t want;
};

TEST_F(NumericBuiltins, BitOperations) {
  const std::vector<IntCase> cases = {
      {b_and, "and", {12, 10}, 8},
      {b_or, "or", {12, 10}, 14},
      {b_xor, "xor", {12, 10}, 6},
      {b_not, "not", {0}, -1},
      {b_not, "not", {-1}, 0},
      {b_and, "and", {7}, 7},
      {b_or, "or", {5}, 5},
      {b_and, "and", {-1, 0x0F0F, 0xFF}, 0x0F},
      {b_or, "or", {1, 2, 4, 8, 16, 32, 64, 128}, 255},   // past the typed arguments
      {b_xor, "xor", {-1, 1}, -2},
      {b_shiftl, "shiftl", {1, 33}, 2},                  // count mod 32
      {b_shiftl, "shiftl", {1, 31}, INT32_MIN},
      {b_shiftl, "shiftl", {3, 0}, 3},
      {b_shiftl, "shiftl", {1, -1}, INT32_MIN},          // -1 mod 32 is 31
      {b_shiftl, "shiftl", {0x40000001, 2}, 4},          // bits leave at the top
      {b_shiftr, "shiftr", {-8, 1}, -4},                 // sign-filling
      {b_shiftr, "shiftr", {INT32_MIN, 31}, -1},
      {b_shiftr, "shiftr", {256, 36}, 16},
      {b_shiftr, "shiftr", {7, 32}, 7},
  };
  for (const auto& c : cases) {
    std::vector<Cell> args;
    for (int32_t v : c.args) args.push_back(num(v));
    EXPECT_EQ(callInt(c.fn, args), c.want) << c.name << " of " << c.args.size() << " args";
  }
}

TEST_F(NumericBuiltins, IntTruncatesTowardZero) {
  const std::vector<std::pair<Cell, int32_t>> toInt = {
      {flt(3.9), 3},        {flt(-3.9), -3},  {flt(0.0), 0},
      {flt(-0.5), 0},       {num(-17), -17},  {str("12abc"), 12},
      {str("-7.9"), -7},    {str("x"), 0},    {flt(2147483647.9), INT32_MAX},
      {flt(-2147483647.9), -2147483647},
  };
  for (const auto& [cell, want] : toInt) EXPECT_EQ(callInt(b_int, {cell}), want) << text(cell);

  const double inf = std::numeric_limits<double>::infinity();
  const std::vector<std::pair<double, double>> toFloat = {
      {1e10, 1e10}, {-1e10, -1e10}, {2147483648.5, 2147483648.0}, {-2147483648.0, -2147483648.0},
      {-3e15 - 0.5, -3e15}, {inf, inf}, {-inf, -inf},
  };
  for (const auto& [in, want] : toFloat) {
    Cell r = call(b_int, {flt(in)});
    ASSERT_EQ(int(r.tag), int(Tag::Float)) << in;
    EXPECT_EQ(r.x.d, want);
    EXPECT_EQ(r.w.dec, 0);
  }
  Cell nan = call(b_int, {flt(std::nan(""))});
  EXPECT_EQ(int(nan.tag), int(Tag::Float));
  EXPECT_TRUE(std::isnan(nan.x.d));
}

struct ConvertCase {
  std::string text;
  int base;   // 0: no base argument
  int32_t want;
};

TEST_F(NumericBuiltins, ConvertnumBases) {
  const std::vector<ConvertCase> cases = {
      {"1fh", 0, 31},     {"1FH", 0, 31},     {"0x1F", 0, 31},   {"0X1f", 0, 31},
      {"017", 0, 15},     {"17", 0, 17},      {"-101", 2, -5},   {"19", 8, 1},
      {"ff", 0, 0},       {"ffh", 0, 255},    {"+12", 0, 12},    {"-0x10", 0, -16},
      {"zz", 16, 0},      {"g1", 16, 0}, {"12abc", 10, 12}, {"abc", 16, 2748},
      {"0x", 0, 0},       {"", 0, 0},         {"-", 0, 0},       {"08", 0, 0},
      {"FFFFFFFF", 16, -1},                   {"100000000", 16, 0},   // wraps at 32 bits
      {"4294967297", 10, 1},                  {"777", 8, 511},   {" 12", 0, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(awk_convertnum(c.text.data(), uint32_t(c.text.size()), c.base), c.want)
        << c.text << " base " << c.base;
    std::vector<Cell> args = {str(c.text)};
    if (c.base) args.push_back(num(c.base));
    EXPECT_EQ(callInt(b_convertnum, args), c.want) << c.text << " base " << c.base;
  }
}

TEST_F(NumericBuiltins, ConvertnumIgnoresBadBases) {
  for (int base : {20, 1, 0, -2, 17}) {
    testing::internal::CaptureStderr();
    int32_t v = callInt(b_convertnum, {str("017"), num(base)});
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(v, 15) << base;   // as if no base were given
    EXPECT_NE(err.find("invalid convertnum base ignored"), std::string::npos) << base;
  }
}

TEST_F(NumericBuiltins, TableBuildsAnArray) {
  Cell r = call(b_table, {str("a"), num(1), str("b"), str("two"), num(3), flt(4.5)});
  ASSERT_EQ(int(r.tag), int(Tag::Array));
  EXPECT_EQ(awk_tablength(r.w.t), 3);
  EXPECT_EQ(elem(&r, "a"), "1");
  EXPECT_EQ(elem(&r, "b"), "two");
  EXPECT_EQ(elem(&r, "3"), "4.5");
  EXPECT_EQ(r.w.t->use, 1);
  drop(&r);

  Cell empty = call(b_table, {});
  ASSERT_EQ(int(empty.tag), int(Tag::Array));
  EXPECT_EQ(awk_tablength(empty.w.t), 0);
  drop(&empty);
}

TEST_F(NumericBuiltins, TableSharesStringValues) {
  Cell v = str("shared");
  Cell arg = v;
  awk_access(&arg);
  Cell r = call(b_table, {str("k"), arg});
  // The table holds its own reference; the caller's survives the call.
  EXPECT_EQ(v.w.s->ref, 2);
  drop(&r);
  EXPECT_EQ(v.w.s->ref, 1);
  drop(&v);
}

TEST_F(NumericBuiltins, TableWithAnOddCountIsAnError) {
  int saved = awk_debuge;
  awk_debuge = 1;
  testing::internal::CaptureStderr();
  Cell r = call(b_table, {str("a")});
  std::string err = testing::internal::GetCapturedStderr();
  awk_debuge = saved;
  EXPECT_EQ(int(r.tag), int(Tag::Uninit));
  EXPECT_NE(err.find("table must have an even number of arguments"), std::string::npos) << err;
  EXPECT_EXIT(call(b_table, {str("a"), num(1), str("b")}), testing::ExitedWithCode(2),
              "table must have an even number of arguments");
}

double randOnce() {
  Cell r = call(b_rand, {});
  EXPECT_EQ(int(r.tag), int(Tag::Float));
  EXPECT_EQ(r.w.dec, kUnlimitedDecimals);
  return r.x.d;
}

TEST_F(NumericBuiltins, SameSeedSameSequence) {
  for (double seed : {1.0, 0.5, 42.0, -3.0, 1e9, 0.0}) {
    call(b_srand, {flt(seed)});
    std::vector<double> first;
    for (int i = 0; i < 50; ++i) first.push_back(randOnce());
    call(b_srand, {flt(seed)});
    for (int i = 0; i < 50; ++i) EXPECT_EQ(randOnce(), first[size_t(i)]) << seed << " #" << i;
  }
  call(b_srand, {flt(7)});
  double a = randOnce();
  call(b_srand, {flt(8)});
  EXPECT_NE(randOnce(), a);
}

// Fixed values of the generator: any change to its constants, wrap-around
// or shuffle shows here.
TEST_F(NumericBuiltins, GeneratorSequenceIsFixed) {
  AwkRandom r{};
  awk_rseed(&r, 1);
  EXPECT_NEAR(awk_rnext(&r), 0.2853812148130514, 1e-15);
  EXPECT_NEAR(awk_rnext(&r), 0.2788385556551056, 1e-15);
  EXPECT_NEAR(awk_rnext(&r), 0.37460321599676893, 1e-15);
  AwkRandom zero{};
  awk_rseed(&zero, 0);   // 0 seeds as 1
  awk_rseed(&r, 1);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(awk_rnext(&zero), awk_rnext(&r));
  AwkRandom neg{};
  awk_rseed(&neg, -1);   // the magnitude is used
  awk_rseed(&r, 1);
  EXPECT_EQ(awk_rnext(&neg), awk_rnext(&r));
}

TEST_F(NumericBuiltins, RandStaysInItsRange) {
  for (int32_t seed : {1, 2, 12345, 2147483640, 1700000000, 99, INT32_MAX, INT32_MIN}) {
    AwkRandom r{};
    awk_rseed(&r, seed);
    for (int i = 0; i < 200000; ++i) {
      double v = awk_rnext(&r);
      ASSERT_GE(v, 0.0) << seed << " #" << i;
      ASSERT_LE(v, 0.99999988) << seed << " #" << i;
    }
  }
}

TEST_F(NumericBuiltins, SrandSeedDerivation) {
  const std::vector<std::pair<double, int32_t>> cases = {
      {1.0, 2147483640}, {0.5, 1073741820}, {0.0, 0},           {2.0, 2},
      {1000.9, 1000},    {-1.0, -2147483640}, {-1.5, 0},         {2147483647.0, 0}, {2147483646.5, 2147483646},
      {1e300, 0},        {std::nan(""), 0},
  };
  for (const auto& [x, want] : cases) {
    std::feclearexcept(FE_ALL_EXCEPT);
    EXPECT_EQ(awk_srandseed(x), want) << x;
    // No seed leaves a flag behind for the next float check to report.
    EXPECT_FALSE(std::fetestexcept(FE_INVALID)) << x;
  }
}

TEST_F(NumericBuiltins, SrandReturnsNothingAndReseeds) {
  Cell r = call(b_srand, {flt(3)});
  EXPECT_EQ(int(r.tag), int(Tag::Uninit));
  EXPECT_TRUE(awk_random.seeded);
  // A clock seed in between leaves nothing behind: seeding again with 3
  // restarts the same sequence (the shuffle table is refilled).
  call(b_srand, {flt(3)});
  double fixed = randOnce();
  call(b_srand, {});
  call(b_srand, {flt(3)});
  EXPECT_EQ(randOnce(), fixed);
}

struct MathCase {
  BuiltinFn fn;
  const char* name;
  std::vector<double> args;
  double want;
};

TEST_F(NumericBuiltins, MathFunctionsCarryUnlimitedDecimals) {
  const std::vector<MathCase> cases = {
      {b_sqrt, "sqrt", {2}, std::sqrt(2.0)},   {b_exp, "exp", {1}, std::exp(1.0)},
      {b_log, "log", {10}, std::log(10.0)},    {b_sin, "sin", {1}, std::sin(1.0)},
      {b_cos, "cos", {0}, 1.0},                {b_atan2, "atan2", {0, -1}, M_PI},
      {b_atan2, "atan2", {1, 1}, M_PI / 4},
  };
  for (const auto& c : cases) {
    std::vector<Cell> args;
    for (double d : c.args) args.push_back(flt(d, 0));
    Cell r = call(c.fn, args);
    ASSERT_EQ(int(r.tag), int(Tag::Float)) << c.name;
    EXPECT_EQ(r.x.d, c.want) << c.name;
    EXPECT_EQ(r.w.dec, kUnlimitedDecimals) << c.name;
  }
  // Unlimited decimals make sqrt(2) differ from a 5-place approximation.
  Cell r = call(b_sqrt, {flt(2, 0)});
  Cell approx = flt(1.41421, 5);
  double diff = r.x.d - approx.x.d;
  EXPECT_NE(awk_fcmp(&diff, r.w.dec), 0);
}

TEST_F(NumericBuiltins, MathErrorsAreReportedUnderTheFunctionName) {
  const std::vector<std::pair<MathCase, std::string>> cases = {
      {{b_log, "log", {0}, 0}, "log function argument singularity"},
      {{b_sqrt, "sqrt", {-1}, 0}, "sqrt function invalid argument"},
      {{b_log, "log", {-1}, 0}, "log function invalid argument"},
      {{b_exp, "exp", {1000}, 0}, "exp function overflow"},
  };
  for (const auto& [c, msg] : cases) {
    awk_mathresetlast();
    std::vector<Cell> args;
    for (double d : c.args) args.push_back(flt(d, 0));
    testing::internal::CaptureStderr();
    Cell r = call(c.fn, args);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(int(r.tag), int(Tag::Float));
    EXPECT_NE(err.find(msg), std::string::npos) << c.name << ": " << err;
  }
}

TEST_F(NumericBuiltins, InternalChecksStopTheRun) {
  EXPECT_EXIT(call(b_not, {str("1")}), testing::ExitedWithCode(2), "#3109H");
  EXPECT_EXIT(call(b_shiftl, {num(1), flt(1)}), testing::ExitedWithCode(2), "#310dH");
  EXPECT_EXIT(call(b_shiftr, {flt(1), num(1)}), testing::ExitedWithCode(2), "#310eH");
  EXPECT_EXIT(call(b_srand, {num(1)}), testing::ExitedWithCode(2), "#3800H");
}

}  // namespace
