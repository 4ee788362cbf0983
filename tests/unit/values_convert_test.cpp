// Cells to strings, integers and numbers; the tolerant sign at its edges;
// the re-entry guard of CONVFMT/OFMT (their choice is checked through AWK
// in tests/cases/lang/fast_paths).
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
  Cell c{};
  cellSetString(&c, stringNew(s));
  c.tag = tag;
  return c;
}
Cell uninitCell() { Cell c{}; cellSetUninit(&c); return c; }
Cell tagCell(Tag t) { Cell c{}; c.tag = t; return c; }

std::string text(AwkString* s) {
  std::string r(s->text(), s->len);
  stringFree(s);
  return r;
}

// Runs f with stderr captured and the last-report memory cleared.
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
  };
  for (const A2sCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(text(awk_a2s(&c.cell)), c.expect);
  }
}

TEST(A2s, StringCellsShareTheirObject) {
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
  awk_convfmt = stringNew("%s");
  Cell c = floatCell(0.5);
  EXPECT_EXIT(awk_a2s(&c), testing::ExitedWithCode(2), "invalid CONVFMT or OFMT format string");
  stringFree(awk_convfmt);
  awk_convfmt = stringNew("%d %d");
  EXPECT_EXIT(awk_a2s(&c), testing::ExitedWithCode(2), "invalid CONVFMT or OFMT format string");
  stringFree(awk_convfmt);
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
  };
  for (const CvtnCase& c : cases) {
    SCOPED_TRACE(c.name);
    Cell out;
    awk_cvtn(&c.cell, &out);
    ASSERT_EQ(out.tag, c.tag);
    if (c.tag == Tag::Int) {
      EXPECT_EQ(out.w.i, int32_t(c.value));
    } else {
      EXPECT_EQ(out.x.d, c.value);
      EXPECT_EQ(out.w.dec, c.decimals);
    }
    Cell f;
    awk_cvtf(&c.cell, &f);
    ASSERT_EQ(f.tag, Tag::Float);
    EXPECT_EQ(f.x.d, c.value);
    EXPECT_EQ(f.w.dec, c.decimals);
  }
}

TEST(Cvtn, AddressesAreNumbers) {
  Cell c{};
  c.tag = Tag::RawPointer;
  c.w.p = reinterpret_cast<void*>(uintptr_t(0x12345));
  Cell out;
  awk_cvtn(&c, &out);
  EXPECT_EQ(out.tag, Tag::Int);
  EXPECT_EQ(out.w.i, 0x12345);
  c.w.p = reinterpret_cast<void*>(uintptr_t(0x7f0012345678));
  awk_cvtn(&c, &out);
  EXPECT_EQ(out.tag, Tag::Float);
  EXPECT_EQ(out.x.d, double(0x7f0012345678));
  EXPECT_EQ(text(awk_a2s(&c)), std::to_string(0x7f0012345678));
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

}  // namespace
