// Numeric builtins where AWK programs cannot reach (tests/cases/numeric has the rest).
#include <cfenv>
#include <cmath>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "builtins_fixture.h"
#include "builtins/strlib.h"
#include "diag/oops.h"
#include "values/arith.h"

namespace {

using namespace btest;

class NumericBuiltins : public BuiltinTest {};

TEST_F(NumericBuiltins, IntAndConvertnumAtTheirLimits) {
  const double inf = std::numeric_limits<double>::infinity();
  for (const auto& [in, want] : std::vector<std::pair<double, double>>{
           {2147483648.5, 2147483648.0}, {-2147483648.0, -2147483648.0}, {-3e15 - 0.5, -3e15},
           {inf, inf}, {-inf, -inf}}) {
    Cell r = call(b_int, {flt(in)});
    ASSERT_EQ(int(r.tag), int(Tag::Float)) << in;
    EXPECT_EQ(r.x.d, want);
    EXPECT_EQ(r.w.dec, 0);
  }
  EXPECT_EQ(callInt(b_int, {flt(-2147483647.9)}), -2147483647);
  Cell nan = call(b_int, {flt(std::nan(""))});
  EXPECT_TRUE(std::isnan(nan.x.d));

  const std::vector<std::tuple<std::string, int, int>> conv = {
      {"g1", 16, 0}, {"0x", 0, 0}, {"", 0, 0}, {"-", 0, 0}, {"100000000", 16, 0}, {" 12", 0, 0},
      {"4294967297", 10, 1}, {"1FH", 0, 31}, {"0XaF", 0, 175}};
  for (const auto& [text, base, want] : conv)
    EXPECT_EQ(awk_convertnum(text.data(), uint32_t(text.size()), base), want) << text;
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

TEST_F(NumericBuiltins, GeneratorSequenceIsFixed) {
  AwkRandom r{};
  awk_rseed(&r, 1);
  for (double want : {0.2853812148130514, 0.2788385556551056, 0.37460321599676893})
    EXPECT_NEAR(awk_rnext(&r), want, 1e-15);
  for (int32_t same : {0, -1}) {   // 0 seeds as 1; the magnitude is used
    AwkRandom other{};
    awk_rseed(&other, same);
    awk_rseed(&r, 1);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(awk_rnext(&other), awk_rnext(&r));
  }
}

TEST_F(NumericBuiltins, RandStaysInItsRange) {
  for (int32_t seed : {1, 2, 12345, 2147483640, 1700000000, 99, INT32_MAX, INT32_MIN}) {
    AwkRandom r{};
    awk_rseed(&r, seed);
    for (int i = 0; i < 200000; ++i) {
      double v = awk_rnext(&r);
      ASSERT_TRUE(v >= 0.0 && v <= 0.99999988) << seed << " #" << i << ": " << v;
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
    EXPECT_FALSE(std::fetestexcept(FE_INVALID)) << x;   // no flag left for the next check
  }
}

TEST_F(NumericBuiltins, InternalChecksStopTheRun) {
  EXPECT_EXIT(call(b_not, {str("1")}), testing::ExitedWithCode(2), "#3109H");
  EXPECT_EXIT(call(b_shiftl, {num(1), flt(1)}), testing::ExitedWithCode(2), "#310dH");
  EXPECT_EXIT(call(b_shiftr, {flt(1), num(1)}), testing::ExitedWithCode(2), "#310eH");
  EXPECT_EXIT(call(b_srand, {num(1)}), testing::ExitedWithCode(2), "#3800H");
}

}  // namespace
