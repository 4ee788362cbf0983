// Float arithmetic and comparison on stack cells: values with their
// decimals counts, the sign and notes of each pair of operand classes, and
// the truth of every tag. The floating-point warnings (mask, once per
// statement) and the math-library error texts are checked by
// tests/cases/numeric/float_warnings; here only what AWK cannot show: a
// repeat within one statement of a new record.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <string>

#include "diag/oops.h"
#include "io/globals.h"
#include "values/arith.h"
#include "values/compare.h"
#include "test_support.h"
#include "values/convert.h"

namespace {

using tsupport::stderrOf;

Cell I(int32_t v) { Cell c{}; cellSetInt(&c, v); return c; }
Cell F(double v, int dec = kUnlimitedDecimals) { Cell c{}; cellSetFloat(&c, v, int16_t(dec)); return c; }
Cell S(const char* s) { Cell c{}; cellSetString(&c, stringNew(s)); return c; }
Cell Fld(const char* s) { Cell c = S(s); c.tag = Tag::Field; return c; }
Cell U() { Cell c{}; cellSetUninit(&c); return c; }
Cell T(Tag t, uintptr_t word = 0) { Cell c{}; c.tag = t; c.w.word = intptr_t(word); return c; }

// The message text is in err; nothing is when want is "".
void expectMessage(const std::string& err, const char* want) {
  if (*want)
    EXPECT_NE(err.find(want), std::string::npos) << err;
  else
    EXPECT_EQ(err, "");
}

using BinOp = void (*)(Cell*);

struct ArithCase {
  const char* name;
  BinOp op;
  Cell left, right;
  double value;
  int decimals;
  const char* warn;  // "" for none
};

// Runs op on a two-cell stack (right on top, left below) and returns the
// left cell, which holds the result.
Cell run(BinOp op, const Cell& left, const Cell& right) {
  Cell stack[2] = {right, left};
  op(&stack[0]);
  return stack[1];
}

class Arith : public testing::Test {
 protected:
  void SetUp() override {
    awk_mathinit();
    awk_mathresetlast();
  }
  void TearDown() override { awk_mask87 = int32_t(0xFFFFFFCDu); }
};

TEST_F(Arith, ValuesAndDecimals) {
  const ArithCase cases[] = {
      {"tenths add", awkf_plus, F(0.1, 1), F(0.2, 1), 0.1 + 0.2, 1, ""},
      {"plus keeps the larger count", awkf_plus, F(1.5, 1), F(0.25, 2), 1.75, 2, ""},
      {"plus of ints", awkf_plus, I(INT32_MAX), I(1), 2147483648.0, 0, ""},
      {"plus of text", awkf_plus, S("3"), S("0.5"), 3.5, 1, ""},
      {"uninit plus", awkf_plus, U(), F(2.5, 1), 2.5, 1, ""},
      {"minus", awkf_minus, F(0.3, 1), F(0.1, 1), 0.3 - 0.1, 1, ""},
      {"times adds counts", awkf_times, F(0.1, 1), F(0.2, 1), 0.1 * 0.2, 2, ""},
      {"times caps at 400", awkf_times, F(1.5, 300), F(2.0, 300), 3.0, 400, ""},
      {"times by int", awkf_times, F(1.25, 2), I(3), 3.75, 2, ""},
      {"power is unlimited", awkf_power, I(2), F(0.5, 1), std::sqrt(2.0), 400, ""},
      {"power of ints", awkf_power, I(2), I(10), 1024, 400, ""},
      {"div by 4 adds one place", awkf_div, F(1.25, 2), I(4), 0.3125, 3, ""},
      {"div by 5", awkf_div, F(1.25, 2), I(5), 0.25, 3, ""},
      {"div by 3 is unlimited", awkf_div, F(1.25, 2), I(3), 1.25 / 3, 400, ""},
      {"div by -4", awkf_div, F(1.25, 2), I(-4), -0.3125, 3, ""},
      {"div by 16", awkf_div, F(1.0, 2), I(16), 0.0625, 3, ""},
      {"div by 1000", awkf_div, F(1.0, 2), I(1000), 0.001, 5, ""},
      {"div by 15625", awkf_div, F(1.0, 0), I(15625), 1.0 / 15625, 6, ""},
      {"div by 31250 is unlimited", awkf_div, F(1.0, 0), I(31250), 1.0 / 31250, 400, ""},
      {"div by 5^7 is unlimited", awkf_div, F(1.0, 0), I(78125 / 5 * 5), 1.0 / 78125, 400, ""},
      {"int by int", awkf_div, I(7), I(2), 3.5, 1, ""},
      {"unlimited dividend stays", awkf_div, F(1.0, 400), I(2), 0.5, 400, ""},
      {"float divisor is unlimited", awkf_div, F(1.0, 1), F(4.0, 0), 0.25, 400, ""},
      {"div by zero", awkf_div, I(1), I(0), HUGE_VAL, 400, "floating point: divide by zero"},
      {"div by uninit", awkf_div, I(1), U(), HUGE_VAL, 400, "floating point: divide by zero"},
      {"mod floored", awkf_mod, I(-7), I(3), 2, 0, ""},
      {"mod sign of divisor", awkf_mod, I(7), I(-3), -2, 0, ""},
      {"mod of fractions", awkf_mod, F(5.5, 1), I(2), 1.5, 1, ""},
      {"mod by zero", awkf_mod, I(5), I(0), 0, 0, "floating point: modulus by zero"},
      {"overflow", awkf_times, F(1e308), I(10), HUGE_VAL, 400, "floating point: overflow"},
      {"underflow is masked", awkf_div, F(1e-308), F(1e10), 1e-318, 400, ""},
      {"invalid", awkf_minus, F(HUGE_VAL), F(HUGE_VAL), std::nan(""), 400,
       "floating point: invalid operation"},
  };
  for (const ArithCase& c : cases) {
    SCOPED_TRACE(c.name);
    awk_mathresetlast();
    Cell r;
    std::string err = stderrOf([&] { r = run(c.op, c.left, c.right); });
    ASSERT_EQ(r.tag, Tag::Float);
    if (std::isnan(c.value))
      EXPECT_TRUE(std::isnan(r.x.d));
    else
      EXPECT_EQ(r.x.d, c.value);
    EXPECT_EQ(r.w.dec, c.decimals);
    expectMessage(err, c.warn);
  }
}

TEST_F(Arith, RepeatedWarningIsShownOncePerRecord) {
  const int32_t savedNr = awk_nr;
  std::string err = stderrOf([] {
    run(awkf_div, I(1), I(0));
    run(awkf_div, I(2), I(0));
  });
  size_t first = err.find("divide by zero");
  ASSERT_NE(first, std::string::npos);
  EXPECT_EQ(err.find("divide by zero", first + 1), std::string::npos) << err;
  // A new record shows it again.
  awk_nr = savedNr + 1;
  err = stderrOf([] { run(awkf_div, I(1), I(0)); });
  EXPECT_NE(err.find("divide by zero"), std::string::npos);
  awk_nr = savedNr;
}

struct CmpCase {
  const char* name;
  Cell left;
  int op;
  Cell right;
  int sign;          // sign of left minus right
  const char* note;  // "" for none
};

const char kNoteNumStr[] = "Comparison of number with non-numeric string may give unexpected results";
const char kNoteZero[] = "Comparison of 0 to \"\" (0 != \"\" in AWK)";

TEST(CmpAny, PairsOfClasses) {
  const CmpCase cases[] = {
      {"string 10 vs number 9 is numeric", S("10"), kOpGt, I(9), 1, ""},
      {"number 9 vs string 10 is numeric", I(9), kOpLt, S("10"), -1, ""},
      {"string abc vs 9 is text with a note", S("abc"), kOpLt, I(9), 1, kNoteNumStr},
      {"two strings compare as text", S("10"), kOpLt, S("9"), -1, ""},
      {"two numeric fields", Fld("10"), kOpGt, Fld("9"), 1, ""},
      {"numeric field vs numeric string", Fld("10"), kOpGt, S("9"), 1, ""},
      {"text field vs number is text", Fld("abc"), kOpGt, I(9), 1, kNoteNumStr},
      {"text field vs number, equality, no note", Fld("abc"), kOpEq, I(9), 1, ""},
      {"uninit equals 0", U(), kOpEq, I(0), 0, ""},
      {"uninit equals empty string", U(), kOpEq, S(""), 0, ""},
      {"uninit vs a is text", U(), kOpLt, S("a"), -1, ""},
      {"uninit vs numeric field", U(), kOpLt, Fld("3"), -1, ""},
      {"int 0 vs empty string notes", I(0), kOpEq, S(""), 1, kNoteZero},
      {"empty string vs int 0 notes", S(""), kOpNe, I(0), -1, kNoteZero},
      {"int vs float", I(3), kOpEq, F(3.0, 0), 0, ""},
      {"sum of tenths", F(0.1 + 0.2, 1), kOpEq, F(0.3, 1), 0, ""},
      {"a third is not 0.333333", F(1.0 / 3, 400), kOpEq, F(0.333333, 6), 1, ""},
      {"1.05 vs 1.0", F(1.05, 2), kOpGt, F(1.0, 1), 1, ""}, {"ints", I(-5), kOpLt, I(4), -1, ""},
      {"int min vs max", I(INT32_MIN), kOpLt, I(INT32_MAX), -1, ""},
      {"infinities are equal", F(HUGE_VAL), kOpEq, F(HUGE_VAL), 0, ""},
      {"inf above max", F(HUGE_VAL), kOpGt, F(1.7e308), 1, ""},
      {"-inf below max", F(-HUGE_VAL), kOpLt, F(1.7e308), -1, ""},
      {"huge opposite signs", F(-1.7e308), kOpLt, F(1.7e308), -1, ""},
      {"same array", T(Tag::Array, 0x1000), kOpEq, T(Tag::Array, 0x1000), 0, ""},
      {"other array", T(Tag::Array, 0x1000), kOpNe, T(Tag::Array, 0x2000), 1, ""},
      {"array vs number", T(Tag::Array, 0x1000), kOpEq, I(1), 0, "use of array in comparison"},
      {"number vs regex", I(1), kOpLt, T(Tag::Regex, 0x1000), 0,
       "use of regular_expression in comparison"},
      {"arrays ordered", T(Tag::Array, 0x1000), kOpLt, T(Tag::Array, 0x2000), 0,
       "use of array in comparison"},
  };
  for (const CmpCase& c : cases) {
    SCOPED_TRACE(c.name);
    int r = 0;
    std::feclearexcept(FE_ALL_EXCEPT);
    std::string err = stderrOf([&] { r = awk_cmp_any(c.op, &c.right, &c.left); });
    EXPECT_EQ((r > 0) - (r < 0), c.sign);
    expectMessage(err, c.note);
    // No comparison leaves an exception flag for the next operation to report.
    EXPECT_EQ(std::fetestexcept(FE_DIVBYZERO | FE_OVERFLOW | FE_INVALID), 0);
  }
}

TEST(CmpAny, NotesNeedWarningsBitsTwoAndFour) {
  const int saved = awk_warnings;
  for (int level : {7, 3, 5, 0}) {
    awk_warnings = level;
    Cell l = I(0), r = S("");
    std::string err = stderrOf([&] { awk_cmp_any(kOpEq, &r, &l); });
    EXPECT_EQ(err.find(kNoteZero) != std::string::npos, level == 7) << "WARNINGS=" << level;
  }
  awk_warnings = saved;
}

struct TruthCase {
  const char* name;
  Cell cell;
  bool truth;
  const char* message;
};

TEST(Testany, TruthOfEveryTag) {
  const TruthCase cases[] = {
      {"uninit", U(), false, ""}, {"int 0", I(0), false, ""}, {"int 5", I(5), true, ""},
      {"int -1", I(-1), true, ""}, {"float 0.0001 with 4 decimals", F(0.0001, 4), true, ""},
      {"float 1e-30 with 2 decimals", F(1e-30, 2), false, ""},
      {"float 1e-30 unlimited", F(1e-30), true, ""}, {"float -0", F(-0.0), false, ""},
      {"string 0", S("0"), true, ""}, {"string empty", S(""), false, ""}, {"field 0", Fld("0"), false, ""},
      {"field 0.0", Fld("0.0"), false, ""}, {"field blank", Fld(" "), true, ""},
      {"field empty", Fld(""), false, ""}, {"field text", Fld("abc"), true, ""},
      {"field 0x0 is not numeric", Fld("0x0"), true, ""}, {"field 0.5", Fld("0.5"), true, ""},
      {"fileid none", T(Tag::FileId), false, ""}, {"fileid", T(Tag::FileId, 0x1000), true, ""},
      {"array", T(Tag::Array, 0x1000), true, "odd test of array for TRUE or FALSE, use: length(array)"},
      {"reference", T(Tag::Ref), false, "unrecognized type in testany"},
      {"address", T(Tag::Address), false, "unrecognized type in testany"},
  };
  for (const TruthCase& c : cases) {
    SCOPED_TRACE(c.name);
    int t = 0, ta = 0;
    std::string err = stderrOf([&] { t = awk_testany(&c.cell); });
    stderrOf([&] { ta = awka_testany(&c.cell); });
    EXPECT_EQ(t != 0, c.truth);
    EXPECT_EQ(ta != 0, c.truth);
    expectMessage(err, c.message);
  }
}

}  // namespace
