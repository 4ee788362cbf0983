// Comparison of each pair of operand classes (sign and notes) and the truth
// of every tag.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <string>

#include "diag/oops.h"
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

int sgn(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

struct BaseCase {
  const char* name;
  Cell cell;
  int cls;
};

TEST(Basetype, ClassOfEachKind) {
  const BaseCase cases[] = {
      {"uninit", U(), 21},         {"int", I(3), 1}, {"float", F(1.5), 2},        {"string", S("12"), 12},
      {"field int", Fld("12"), 5}, {"field float", Fld(" 1.5"), 6},
      {"field text", Fld("ab"), 4}, {"field empty", Fld(""), 4},
      {"array", T(Tag::Array), 0}, {"fileid", T(Tag::FileId), 1},
      {"regex", T(Tag::Regex), 0}, {"raw pointer", T(Tag::RawPointer), 0},
  };
  for (const BaseCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(awk_basetype(&c.cell), c.cls);
  }
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
    EXPECT_EQ(sgn(r), c.sign);
    if (*c.note)
      EXPECT_NE(err.find(c.note), std::string::npos) << err;
    else
      EXPECT_EQ(err, "");
    // No comparison leaves an exception flag for the next operation to report.
    EXPECT_EQ(std::fetestexcept(FE_DIVBYZERO | FE_OVERFLOW | FE_INVALID), 0);
  }
}

TEST(CmpAny, NotesNeedWarningsBitsTwoAndFour) {
  const int saved = awk_warnings;
  const int levels[] = {7, 3, 5, 0};
  const bool shown[] = {true, false, false, false};
  for (int i = 0; i < 4; ++i) {
    awk_warnings = levels[i];
    Cell l = I(0), r = S("");
    std::string err = stderrOf([&] { awk_cmp_any(kOpEq, &r, &l); });
    EXPECT_EQ(err.find(kNoteZero) != std::string::npos, shown[i]) << "WARNINGS=" << levels[i];
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
    if (*c.message)
      EXPECT_NE(err.find(c.message), std::string::npos) << err;
    else
      EXPECT_EQ(err, "");
  }
}

}  // namespace
