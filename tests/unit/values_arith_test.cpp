// Float arithmetic on stack cells: values with their decimals counts, the
// floating-point warnings with their mask and once-per-statement rule, and
// the math-library error texts.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <string>

#include "io/globals.h"
#include "values/arith.h"
#include "values/compare.h"
#include "values/convert.h"

namespace {

Cell I(int32_t v) { Cell c{}; cellSetInt(&c, v); return c; }
Cell F(double v, int dec = kUnlimitedDecimals) { Cell c{}; cellSetFloat(&c, v, int16_t(dec)); return c; }
Cell S(const char* s) { Cell c{}; cellSetString(&c, stringNew(s)); return c; }
Cell U() { Cell c{}; cellSetUninit(&c); return c; }

template <typename Fn>
std::string captured(Fn f) {
  testing::internal::CaptureStderr();
  f();
  return testing::internal::GetCapturedStderr();
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
    std::string err = captured([&] { r = run(c.op, c.left, c.right); });
    ASSERT_EQ(r.tag, Tag::Float);
    if (std::isnan(c.value))
      EXPECT_TRUE(std::isnan(r.x.d));
    else
      EXPECT_EQ(r.x.d, c.value);
    EXPECT_EQ(r.w.dec, c.decimals);
    if (*c.warn)
      EXPECT_NE(err.find(c.warn), std::string::npos) << err;
    else
      EXPECT_EQ(err, "");
  }
}

TEST_F(Arith, NegKeepsDecimals) {
  Cell a = F(0.5, 1);
  awkf_neg(&a);
  EXPECT_EQ(a.x.d, -0.5);
  EXPECT_EQ(a.w.dec, 1);
  Cell b = I(INT32_MIN);
  awkf_neg(&b);
  EXPECT_EQ(b.tag, Tag::Float);
  EXPECT_EQ(b.x.d, 2147483648.0);
  EXPECT_EQ(b.w.dec, 0);
}

TEST_F(Arith, UnderflowWarnsWhenItsBitIsOn) {
  awk_mask87 |= 16;
  Cell dummy;
  awk_vFLOATMASK(0, &dummy, nullptr);
  Cell m = I(awk_mask87);
  awk_vFLOATMASK(1, &m, nullptr);
  std::string err = captured([] { run(awkf_div, F(1e-308), F(1e10)); });
  EXPECT_NE(err.find("floating point: underflow"), std::string::npos) << err;
}

TEST_F(Arith, FloatmaskZeroSilencesEverything) {
  Cell zero = I(0);
  awk_vFLOATMASK(1, &zero, nullptr);
  Cell read;
  awk_vFLOATMASK(0, &read, nullptr);
  EXPECT_EQ(read.tag, Tag::Int);
  EXPECT_EQ(read.w.i, 0);
  std::string err = captured([] {
    run(awkf_div, I(1), I(0));
    run(awkf_mod, I(1), I(0));
    run(awkf_times, F(1e308), I(10));
    Cell big = F(1e300);
    awk_a2l(&big);
  });
  EXPECT_EQ(err, "");
}

TEST_F(Arith, RepeatedWarningIsShownOncePerRecord) {
  const int32_t savedNr = awk_nr;
  std::string err = captured([] {
    run(awkf_div, I(1), I(0));
    run(awkf_div, I(2), I(0));
  });
  size_t first = err.find("divide by zero");
  ASSERT_NE(first, std::string::npos);
  EXPECT_EQ(err.find("divide by zero", first + 1), std::string::npos) << err;
  // A different warning in between does not reset the memory of the last one
  // printed; a new record does.
  awk_nr = savedNr + 1;
  err = captured([] { run(awkf_div, I(1), I(0)); });
  EXPECT_NE(err.find("divide by zero"), std::string::npos);
  awk_nr = savedNr;
}

TEST_F(Arith, StickyFlagsAreClearedAfterEachOperation) {
  std::string err = captured([] { run(awkf_div, I(1), I(0)); });
  EXPECT_NE(err, "");
  EXPECT_EQ(std::fetestexcept(FE_ALL_EXCEPT), 0);
  awk_mathresetlast();
  err = captured([] { run(awkf_plus, I(1), I(2)); });
  EXPECT_EQ(err, "");  // no stale divide-by-zero
}

struct MathLibCase {
  const char* name;
  double (*fn)(double);
  double arg;
  const char* text;  // "" for none
};

TEST_F(Arith, MathLibraryErrors) {
  const MathLibCase cases[] = {
      {"log", std::log, 0.0, "log function argument singularity"},
      {"sqrt", std::sqrt, -1.0, "sqrt function invalid argument"},
      {"log", std::log, -1.0, "log function invalid argument"},
      {"exp", std::exp, 1000.0, "exp function overflow"},
      {"exp", std::exp, -1000.0, ""},  // underflow: masked by default
      {"exp", std::exp, 1.0, ""},
      {"sin", std::sin, HUGE_VAL, "sin function invalid argument"},
  };
  for (const MathLibCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.name << "(" << c.arg << ")");
    std::string err = captured([&] {
      awk_mathcall1(c.name, c.fn, c.arg);
      awk_mathchk();  // the error is not reported a second time
    });
    if (*c.text) {
      size_t at = err.find(c.text);
      EXPECT_NE(at, std::string::npos) << err;
      EXPECT_EQ(err.find("floating point"), std::string::npos) << err;
    } else {
      EXPECT_EQ(err, "");
    }
  }
  awk_mask87 |= 16;
  std::string err = captured([] { awk_mathcall1("exp", std::exp, -1000.0); });
  EXPECT_NE(err.find("exp function underflow"), std::string::npos) << err;
}

// The tolerant comparison and printing of computed decimal values.
TEST_F(Arith, DecimalValuesCompareAndPrintAsWritten) {
  Cell sum = run(awkf_plus, F(0.1, 1), F(0.2, 1));
  Cell third = F(0.3, 1);
  EXPECT_EQ(awk_cmp_any(kOpEq, &third, &sum), 0);
  Cell q = run(awkf_div, I(1), I(3));
  Cell approx = F(0.333333, 6);
  EXPECT_NE(awk_cmp_any(kOpEq, &approx, &q), 0);
  Cell diff = run(awkf_minus, sum, third);
  EXPECT_NE(diff.x.d, 0.0);
  awk_inprint = 1;
  AwkString* s = awk_a2s(&diff);
  awk_inprint = 0;
  EXPECT_EQ(std::string(s->text(), s->len), "0");
  stringFree(s);
}

}  // namespace
