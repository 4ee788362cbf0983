// The number scanner: texts to (numeric flag, tag, value, decimals) and the
// floating-point warnings it raises in report mode.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "values/arith.h"
#include "values/convert.h"

namespace {

struct ScanCase {
  const char* text;
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
};

std::string scanWarnings(const char* text, Cell* out, int report, int* flag) {
  AwkString* s = stringNew(text);
  awk_mathresetlast();
  testing::internal::CaptureStderr();
  *flag = awk_s2n(s, out, report);
  std::string err = testing::internal::GetCapturedStderr();
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
    SCOPED_TRACE(std::string("text \"") + c.text + "\"");
    Cell out;
    int flag;
    std::string err = scanWarnings(c.text, &out, 1, &flag);
    EXPECT_EQ(flag, c.flag);
    ASSERT_EQ(out.tag, c.tag);
    if (c.tag == Tag::Int) {
      EXPECT_EQ(out.w.i, int32_t(c.value));
    } else {
      EXPECT_EQ(out.x.d, c.value);
      EXPECT_EQ(out.w.dec, c.decimals);
    }
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

TEST_F(ScanTest, EmbeddedNulEndsTheNumber) {
  Cell out;
  EXPECT_EQ(awk_s2nb("12\0" "3", 4, &out, 1), 0);
  EXPECT_EQ(out.tag, Tag::Int);
  EXPECT_EQ(out.w.i, 12);
  EXPECT_EQ(awk_s2nb("12", 2, &out, 1), 1);
}

TEST_F(ScanTest, LongFractionIsCappedAtUnlimited) {
  std::string text = "0." + std::string(500, '5');
  Cell out;
  int flag;
  scanWarnings(text.c_str(), &out, 1, &flag);
  EXPECT_EQ(flag, 1);
  EXPECT_EQ(out.w.dec, kUnlimitedDecimals);
  EXPECT_NEAR(out.x.d, 5.0 / 9.0, 1e-15);
}

TEST(ScanMask, DefaultMaskHidesUnderflowButShowsOverflow) {
  ASSERT_EQ(uint32_t(awk_mask87), 0xFFFFFFCDu);
  Cell out;
  int flag;
  EXPECT_EQ(scanWarnings("1e-400", &out, 1, &flag), "");
  EXPECT_EQ(flag, 0);
  EXPECT_NE(scanWarnings("1e400", &out, 1, &flag).find("overflow"), std::string::npos);
}

}  // namespace
