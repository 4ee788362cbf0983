// Float arithmetic on stack cells: values with their decimals counts. The
// floating-point warnings (mask, once per statement) and the math-library
// error texts are checked by tests/cases/numeric/float_warnings; here only
// what AWK cannot show: a repeat within one statement of a new record.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <string>

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
Cell U() { Cell c{}; cellSetUninit(&c); return c; }

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
    if (*c.warn)
      EXPECT_NE(err.find(c.warn), std::string::npos) << err;
    else
      EXPECT_EQ(err, "");
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
  // A different warning in between does not reset the memory of the last one
  // printed; a new record does.
  awk_nr = savedNr + 1;
  err = stderrOf([] { run(awkf_div, I(1), I(0)); });
  EXPECT_NE(err.find("divide by zero"), std::string::npos);
  awk_nr = savedNr;
}

}  // namespace
