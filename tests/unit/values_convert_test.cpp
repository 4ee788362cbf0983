// Cells to strings, integers and numbers; the tolerant sign at its edges;
// the re-entry guard of CONVFMT/OFMT (their choice is checked through AWK
// in tests/cases/lang/fast_paths); and the number scanner: texts to
// (numeric flag, tag, value, decimals) and the warnings of report mode.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "values/arith.h"
#include "values/convert.h"
#include "test_support.h"

namespace {

using tsupport::floatCell;
using tsupport::intCell;
Cell stringCell(const char* s, Tag tag = Tag::String) {
  Cell c = tsupport::strCell(s);
  c.tag = tag;
  return c;
}
Cell uninitCell() { Cell c{}; cellSetUninit(&c); return c; }
Cell tagCell(Tag t, uintptr_t word = 0) { Cell c{}; c.tag = t; c.w.word = intptr_t(word); return c; }

// A number cell of the tag already checked: an int's value, or a float's
// value and decimals.
void expectNumber(const Cell& out, double value, int decimals) {
  if (out.tag == Tag::Int) {
    EXPECT_EQ(out.w.i, int32_t(value));
  } else {
    EXPECT_EQ(out.x.d, value);
    EXPECT_EQ(out.w.dec, decimals);
  }
}

std::string text(AwkString* s) {
  std::string r(s->text(), s->len);
  stringFree(s);
  return r;
}

template <typename F>
std::string captured(F f) {
  awk_mathresetlast();
  return tsupport::stderrOf(f);
}

struct A2sCase {
  const char* name;
  Cell cell;
  const char* expect;
};

TEST(A2s, EveryTagUnderTheDefaultFormat) {
  const A2sCase cases[] = {
      {"uninit", uninitCell(), ""}, {"int", intCell(-42), "-42"},
      {"int min", intCell(INT32_MIN), "-2147483648"}, {"float integral", floatCell(100000.0), "100000"},
      {"float 1e6", floatCell(1e6), "1000000"}, {"float 1e7, any road", floatCell(1e7), "10000000"},
      {"float below 2^53", floatCell(-9007199254740991.0), "-9007199254740991"},
      {"float 2^53", floatCell(9007199254740992.0), "9.0072e+15"},
      {"float 1e6 plus a half", floatCell(1000000.5), "1e+06"},
      {"float pi", floatCell(3.14159265358979), "3.14159"}, {"float rounds", floatCell(123456.7), "123457"},
      {"float negative zero", floatCell(-0.0), "0"}, {"float tiny, unlimited", floatCell(1e-30), "1e-30"},
      {"float tiny within 2 decimals", floatCell(1e-30, 2), "0"},
      {"float negative", floatCell(-2.5, 1), "-2.5"}, {"float big", floatCell(2147483648.0), "2147483648"},
      {"string", stringCell("abc"), "abc"}, {"field", stringCell(" 12 ", Tag::Field), " 12 "},
      {"ref", tagCell(Tag::Ref), ""}, {"packed array", tagCell(Tag::PackedArray), ""},
      {"address", tagCell(Tag::RawPointer, 0x7f0012345678), "139638282147448"},
  };
  for (const A2sCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(text(awk_a2s(&c.cell)), c.expect);
  }
  // A string cell gives its own object.
  Cell c = stringCell("shared");
  AwkString* s = awk_a2s(&c);
  EXPECT_EQ(s, c.w.s);
  EXPECT_EQ(s->ref, 2);
  stringFree(s);
  AwkString* t = awk_a2s_unacc(&c);  // hands over the cell's own reference
  EXPECT_EQ(t, c.w.s);
  EXPECT_EQ(t->ref, 1);
  stringFree(t);
}

// An array or a pattern where a value is wanted: nothing, and a note.
TEST(Convert, ArraysAndPatternsGiveEmptyValuesWithANote) {
  const char kArray[] = "Array used in inappropriate context";
  const Cell arr = tagCell(Tag::Array), re = tagCell(Tag::Regex);
  std::string s = "x";
  int32_t a = -1, r = -1;
  Cell n{};
  EXPECT_NE(captured([&] { s = text(awk_a2s(&arr)); }).find(kArray), std::string::npos);
  EXPECT_NE(captured([&] { a = awk_a2l(&arr); }).find(kArray), std::string::npos);
  EXPECT_NE(captured([&] { r = awk_a2l(&re); }).find("Regular expression used in inappropriate context"),
            std::string::npos);
  std::string err = captured([&] { awk_cvtn(&arr, &n); });   // a warning, not a note
  EXPECT_TRUE(err.find("warning") != std::string::npos && err.find(kArray) != std::string::npos) << err;
  EXPECT_EQ(s, "");
  EXPECT_EQ(a, 0);
  EXPECT_EQ(r, 0);
  EXPECT_EQ(n.tag, Tag::Int);
  EXPECT_EQ(n.w.i, 0);
}

TEST(A2sDeathTest, FormatThatNeedsAFloatConversionIsFatal) {
  awk_convinit();
  AwkString* saved = awk_convfmt;
  Cell c = floatCell(0.5);
  for (const char* fmt : {"%s", "%d %d"}) {
    awk_convfmt = stringNew(fmt);
    EXPECT_EXIT(awk_a2s(&c), testing::ExitedWithCode(2), "invalid CONVFMT or OFMT format string");
    stringFree(awk_convfmt);
  }
  awk_convfmt = saved;
}

struct A2lCase {
  const char* name;
  Cell cell;
  int uns;
  int32_t expect;
  bool warns;  // "Overflow in conversion of floating point number to integer"
};

TEST(A2l, TruncationAndClamping) {
  const A2lCase cases[] = {
      {"int", intCell(-7), 0, -7, false}, {"uninit", uninitCell(), 0, 0, false},
      {"positive fraction", floatCell(3.9), 0, 3, false},
      {"negative fraction", floatCell(-3.9), 0, -3, false},
      {"just above max, silent", floatCell(2147483647.05), 0, INT32_MAX, false},
      {"max + 0.1 exactly is silent", floatCell(2147483647.1), 0, INT32_MAX, false},
      {"above max warns", floatCell(2147483647.2), 0, INT32_MAX, true},
      {"just below min, silent", floatCell(-2147483648.05), 0, INT32_MIN, false},
      {"min - 0.1 warns", floatCell(-2147483648.1), 0, INT32_MIN, true},
      {"huge", floatCell(1e300), 0, INT32_MAX, true}, {"-inf", floatCell(-HUGE_VAL), 0, INT32_MIN, true},
      {"nan", floatCell(std::nan("")), 0, 0, false},
      {"unsigned mid", floatCell(3000000000.0), 1, int32_t(3000000000u), false},
      {"unsigned top, silent", floatCell(4294967295.05), 1, -1, false},
      {"unsigned above top warns", floatCell(4294967295.2), 1, -1, true},
      {"unsigned negative follows signed", floatCell(-1.5), 1, -1, false},
      {"unsigned very negative", floatCell(-3e9), 1, INT32_MIN, true},
      {"string prefix", stringCell("12abc"), 0, 12, false},
      {"string float", stringCell("3.9"), 0, 3, false},
      {"string too big", stringCell("1e10"), 0, INT32_MAX, true},
      {"string unsigned", stringCell("4294967295"), 1, -1, false},
      {"field", stringCell(" -5", Tag::Field), 0, -5, false}, {"ref", tagCell(Tag::Ref), 0, 0, false},
  };
  for (const A2lCase& c : cases) {
    SCOPED_TRACE(c.name);
    int32_t got = 0;
    std::string err = captured([&] { got = awk_a2ls(&c.cell, c.uns); });
    EXPECT_EQ(got, c.expect);
    EXPECT_EQ(err.find("Overflow in conversion of floating point number to integer") !=
                  std::string::npos,
              c.warns)
        << err;
  }
}

struct CvtnCase {
  const char* name;
  Cell cell;
  Tag tag;
  double value;
  int decimals;
};

TEST(Cvtn, NumberCellsFromEveryKind) {
  const CvtnCase cases[] = {
      {"int", intCell(5), Tag::Int, 5, 0},
      {"float keeps decimals", floatCell(0.25, 2), Tag::Float, 0.25, 2},
      {"string int", stringCell("17"), Tag::Int, 17, 0},
      {"string float", stringCell("2,50"), Tag::Float, 2.5, 2},
      {"field not numeric", stringCell("x", Tag::Field), Tag::Int, 0, 0},
      {"uninit", uninitCell(), Tag::Int, 0, 0}, {"ref", tagCell(Tag::Ref), Tag::Int, 0, 0},
      {"vmstring", tagCell(Tag::VmString), Tag::Int, 0, 0},
      {"small address", tagCell(Tag::RawPointer, 0x12345), Tag::Int, 0x12345, 0},
      {"large address", tagCell(Tag::RawPointer, 0x7f0012345678), Tag::Float, double(0x7f0012345678), 0},
  };
  for (const CvtnCase& c : cases) {
    SCOPED_TRACE(c.name);
    Cell out;
    awk_cvtn(&c.cell, &out);
    ASSERT_EQ(out.tag, c.tag);
    expectNumber(out, c.value, c.decimals);
    Cell f;
    awk_cvtf(&c.cell, &f);
    ASSERT_EQ(f.tag, Tag::Float);
    expectNumber(f, c.value, c.decimals);
  }
}

struct FcmpCase {
  double v;
  int decimals;
  int expect;
};

TEST(Fcmp, ToleranceEdges) {
  const double twoM8 = std::ldexp(1.0, -8);
  const FcmpCase cases[] = {
      {0.0, 0, 0}, {-0.0, 400, 0}, {0.001, 2, 0}, {0.001, 400, 1}, {-0.001, 2, 0}, {-0.001, 3, -1},
      {twoM8, 2, 1},  // 2^-8 itself is not below 2^-8
      {std::nextafter(twoM8, 0.0), 2, 0},  // everything below it is zero
      {-std::nextafter(twoM8, 0.0), 2, 0}, {0.0625, 1, 1}, {0.0624, 1, 0}, {0.4999, 0, 0},
      {0.5, 0, 0},  // with no decimals, below 1 is zero
      {1.0, 0, 1}, {0.0001, 4, 1}, {1e-30, 2, 0}, {1e-300, 400, 1}, {5e-324, 400, 1}, {HUGE_VAL, 0, 1},
      {-HUGE_VAL, 0, -1}, {std::nan(""), 0, 1},
  };
  for (const FcmpCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.v << " with " << c.decimals << " decimals");
    EXPECT_EQ(awk_fcmp(&c.v, c.decimals), c.expect);
  }
}

struct ScanCase {
  std::string text;
  int flag;
  Tag tag;
  double value;
  int decimals;       // floats only
  const char* warn;   // expected warning text, "" for none
};

constexpr double kInf = HUGE_VAL;

const ScanCase kScanCases[] = {
    // blanks, signs, int/float choice
    {" 12", 1, Tag::Int, 12, 0, ""}, {"\t -7", 1, Tag::Int, -7, 0, ""}, {"+5", 1, Tag::Int, 5, 0, ""},
    {"-0", 1, Tag::Int, 0, 0, ""}, {"  0012", 1, Tag::Int, 12, 0, ""}, {"12 ", 0, Tag::Int, 12, 0, ""},
    {"12abc", 0, Tag::Int, 12, 0, ""}, {"12+3", 0, Tag::Int, 12, 0, ""},
    {"\n12", 0, Tag::Int, 0, 0, ""},  // only blanks and tabs are skipped
    {{"12\0" "3", 4}, 0, Tag::Int, 12, 0, ""},  // a NUL ends the number
    {"- 5", 0, Tag::Int, 0, 0, ""}, {"abc", 0, Tag::Int, 0, 0, ""}, {"", 0, Tag::Int, 0, 0, ""},
    {"   ", 0, Tag::Int, 0, 0, ""}, {"123456789", 1, Tag::Int, 123456789, 0, ""},
    {"-999999999", 1, Tag::Int, -999999999, 0, ""}, {"1234567890", 1, Tag::Float, 1234567890, 0, ""},
    {"0001234567890", 1, Tag::Float, 1234567890, 0, ""}, {"4294967296", 1, Tag::Float, 4294967296.0, 0, ""},
    // decimals count
    {"3.50", 1, Tag::Float, 3.5, 2, ""}, {"2,5", 1, Tag::Float, 2.5, 1, ""},
    {"1e-3", 1, Tag::Float, 0.001, 3, ""}, {"1.25e-2", 1, Tag::Float, 0.0125, 4, ""},
    {"12.5e1", 1, Tag::Float, 125, 0, ""}, {"12.5E+3", 1, Tag::Float, 12500, 0, ""},
    {"5.", 1, Tag::Float, 5, 0, ""}, {".", 1, Tag::Float, 0, 0, ""}, {"-.", 1, Tag::Float, 0, 0, ""},
    {",5", 1, Tag::Float, 0.5, 1, ""}, {"1,000", 1, Tag::Float, 1, 3, ""},
    {"1,000,000", 0, Tag::Float, 1, 3, ""}, {"1.2.3", 0, Tag::Float, 1.2, 1, ""},
    {"1e5.3", 1, Tag::Float, 100000, 0, ""}, {"1e5e3", 0, Tag::Float, 100000, 0, ""},
    {"1e", 0, Tag::Float, 1, 0, ""}, {"1e+", 1, Tag::Float, 1, 0, ""}, {"1e+-5", 0, Tag::Float, 1, 0, ""},
    {"1.5x", 0, Tag::Float, 1.5, 1, ""},
    // hexadecimal
    {"0x1F", 1, Tag::Int, 31, 0, ""}, {"0X1f", 1, Tag::Int, 31, 0, ""}, {"-0x10", 1, Tag::Int, -16, 0, ""},
    {"0xffffffff", 1, Tag::Int, -1, 0, ""}, {"0x00000000ff", 1, Tag::Int, 255, 0, ""},
    {"0x0", 0, Tag::Int, 0, 0, ""}, {"0x", 0, Tag::Int, 0, 0, ""}, {"0x1g", 0, Tag::Int, 1, 0, ""},
    {"0x123456789", 0, Tag::Int, 0x23456789, 0, "hex number larger than 8 digits"},
    // exponent range
    {"1e300", 1, Tag::Float, 1e300, 0, ""}, {"1e400", 0, Tag::Float, kInf, 0, "floating point: overflow"},
    {"-1e400", 0, Tag::Float, -kInf, 0, "floating point: overflow"},
    {"1e-400", 0, Tag::Float, 0, 400, "floating point: underflow"},
    {"1e-99999999999", 0, Tag::Float, 0, 400, "floating point: underflow"},
    {"1e-310", 1, Tag::Float, 1e-310, 310, ""},  // subnormal but not zero
    {"0e400", 1, Tag::Float, 0, 0, ""},  // a zero mantissa never overflows
    {"0.0e-999", 1, Tag::Float, 0, 400, ""},
    // significant digits
    {"1234567890123456789", 1, Tag::Float, 1234567890123456789.0, 0,
     "floating point: too many significant digits"},
    {"1.234567890123456", 1, Tag::Float, 1.234567890123456, 15,
     "floating point: too many significant digits"},
    {"1.23456789012345", 1, Tag::Float, 1.23456789012345, 14, ""},
    {"1000000000000000000000", 1, Tag::Float, 1e21, 0, ""},
    {"1.50000000000000000000", 1, Tag::Float, 1.5, 20, ""},
    {"0.0000000000000001", 1, Tag::Float, 1e-16, 16, ""},  // leading zeros are not significant
    {"0." + std::string(500, '5'), 1, Tag::Float, 5.0 / 9.0, kUnlimitedDecimals,
     "floating point: too many significant digits"},  // the count is capped
};

std::string scanWarnings(const std::string& text, Cell* out, int report, int* flag) {
  AwkString* s = stringNew(text);
  std::string err = captured([&] { *flag = awk_s2n(s, out, report); });
  stringFree(s);
  return err;
}

class ScanTest : public testing::Test {
 protected:
  void SetUp() override {
    saved_ = awk_mask87;
    awk_mask87 = -1;  // every warning on
  }
  void TearDown() override { awk_mask87 = saved_; }
  int32_t saved_ = 0;
};

TEST_F(ScanTest, ValueDecimalsAndWarningsInReportModeOnly) {
  for (const ScanCase& c : kScanCases) {
    SCOPED_TRACE("text \"" + c.text.substr(0, 40) + "\"");
    Cell out;
    int flag;
    std::string err = scanWarnings(c.text, &out, 1, &flag);
    EXPECT_EQ(flag, c.flag);
    ASSERT_EQ(out.tag, c.tag);
    expectNumber(out, c.value, c.decimals);
    if (*c.warn) {
      EXPECT_NE(err.find(c.warn), std::string::npos) << err;
    } else {
      EXPECT_EQ(err, "");
    }
    // Quiet mode: the same flag and tag, no warning.
    EXPECT_EQ(scanWarnings(c.text, &out, 0, &flag), "");
    EXPECT_EQ(flag, c.flag);
    EXPECT_EQ(out.tag, c.tag);
  }
}

}  // namespace
