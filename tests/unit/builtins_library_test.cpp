// Numeric and string builtins where AWK programs cannot reach
// (tests/cases/numeric and tests/cases/strings have the rest, case
// conversion all of it).
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
using tsupport::stderrOf;

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
    int32_t v = 0;
    std::string err = stderrOf([&] { v = callInt(b_convertnum, {str("017"), num(base)}); });
    EXPECT_EQ(v, 15) << base;   // as if no base were given
    EXPECT_NE(err.find("invalid convertnum base ignored"), std::string::npos) << base;
  }
}

TEST_F(NumericBuiltins, GeneratorSequenceIsFixedAndInRange) {
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

class StringBuiltins : public BuiltinTest {};

TEST_F(StringBuiltins, PositionsAtExtremes) {
  EXPECT_EQ(callText(b_substr, {str("hello"), num(INT32_MIN), num(3)}), "hel");
  EXPECT_EQ(callText(b_substr, {str("hello"), num(INT32_MAX), num(3)}), "");
  EXPECT_EQ(callInt(b_rindex, {str("hello"), str("l"), num(INT32_MAX)}), 4);
  EXPECT_EQ(callText(b_paste, {num(1), str(""), flt(2.5), str("")}), "12.5");  // empty pieces
  std::string s(70000, 'a');
  s.replace(50000, 3, "xyz");
  EXPECT_EQ(callText(b_substr, {str(s), num(50001), num(3)}), "xyz");
  EXPECT_EQ(callText(b_substr, {str(s), num(69999)}), "aa");
}

// char(n) hands out one shared string per byte value: it is never freed.
TEST_F(StringBuiltins, SharedOneByteStringsSurviveManyOwners) {
  Cell first = call(b_char, {num(66)});
  AwkString* s = first.w.s;
  EXPECT_EQ(s->ref, 1000);
  std::vector<Cell> copies;
  for (int i = 0; i < 3000; ++i) {
    Cell c = call(b_char, {num(66)});
    EXPECT_EQ(c.w.s, s);
    copies.push_back(c);
  }
  for (Cell& c : copies) drop(&c);
  drop(&first);
  EXPECT_GT(s->ref, 0);
  EXPECT_EQ(s->view(), "B");
  Cell again = call(b_char, {num(66)});
  EXPECT_EQ(again.w.s, s);
  drop(&again);
}

TEST_F(StringBuiltins, TranslateCutsOversizedSets) {
  std::string big;   // 520 bytes of ranges: cut at 400 with a warning
  for (int i = 0; i < 20; ++i) big += "a-z";
  std::string r;
  std::string err = stderrOf([&] { r = callText(b_translate, {str("abc"), str(big), str("X")}); });
  EXPECT_EQ(r, "XXX");
  EXPECT_NE(err.find("Too many characters in argument to translate()"), std::string::npos) << err;

  unsigned char out[kTranslateSetMax];
  bool cut = false;
  EXPECT_EQ(awk_trexpand(big.data(), uint32_t(big.size()), false, out, &cut), kTranslateSetMax);
  EXPECT_TRUE(cut);
  EXPECT_EQ(awk_trexpand("\x01-\xff", 3, false, out, &cut), 255);
  EXPECT_FALSE(cut);
}

// Argument types the compiler never passes are internal errors.
TEST_F(BuiltinTest, InternalChecksStopTheRun) {
  EXPECT_EXIT(call(b_not, {str("1")}), testing::ExitedWithCode(2), "#3109H");
  EXPECT_EXIT(call(b_shiftl, {num(1), flt(1)}), testing::ExitedWithCode(2), "#310dH");
  EXPECT_EXIT(call(b_shiftr, {flt(1), num(1)}), testing::ExitedWithCode(2), "#310eH");
  EXPECT_EXIT(call(b_srand, {num(1)}), testing::ExitedWithCode(2), "#3800H");
  EXPECT_EXIT(call(b_substr, {num(1), num(1)}), testing::ExitedWithCode(2), "#3104H");
  EXPECT_EXIT(call(b_toupper, {num(1)}), testing::ExitedWithCode(2), "#3100H");
  EXPECT_EXIT(call(b_length, {str("a"), str("b")}), testing::ExitedWithCode(2), "#3107H");
  EXPECT_EXIT(call(b_sprintf, {}), testing::ExitedWithCode(2), "#3400H");
  EXPECT_EXIT(call(b_translate, {str("a"), num(1), str("b")}), testing::ExitedWithCode(2),
              "#4301H");
  EXPECT_EXIT(call(b_table, {str("a"), num(1), str("b")}), testing::ExitedWithCode(2),
              "table must have an even number of arguments");
}

// Misuse is reported and gives what was made before it (an error returns
// only because awk_debuge lets it); _precof of an integer field is quietly
// nothing (tests/cases/strings/precof has the rest).
TEST_F(StringBuiltins, MisuseAndNothingToGive) {
  const std::vector<std::tuple<BuiltinFn, std::vector<Cell>, Tag, std::string, std::string>> cases = {
      {b_split, {str("a b"), num(5), str(" ")}, Tag::Uninit, "", "second argument to split must be an array"},
      {b_splitp, {str("a b"), num(5), str(" ")}, Tag::Uninit, "", "second argument to splitp must be an array"},
      {b_splitp, {str("a b"), newArray()}, Tag::Uninit, "", "FPAT is not set and no third arg to splitp"},
      {b_table, {str("a")}, Tag::Uninit, "", "table must have an even number of arguments"},
      {b_sprintf, {str("%d/%d"), num(1)}, Tag::String, "1/",
       "in sprintf: fewer arguments than print format specifications"},
      {b__precof, {field("12")}, Tag::Uninit, "", ""},
  };
  for (const auto& [fn, args, tag, result, msg] : cases) {
    Cell r{};
    std::string err = stderrOf([&] {
      awk_debuge = 1;   // an error must not end the test process
      r = call(fn, args);
      awk_debuge = 0;
    });
    EXPECT_EQ(int(r.tag), int(tag)) << msg;
    EXPECT_EQ(text(r), result) << msg;
    // A row without a message says nothing at all.
    if (msg.empty()) EXPECT_EQ(err, "");
    else EXPECT_NE(err.find(msg), std::string::npos) << err;
    drop(&r);
  }
}

}  // namespace
