// String builtins where AWK programs cannot reach (tests/cases/strings has the rest).
#include <string>
#include <tuple>
#include <vector>

#include "builtins_fixture.h"
#include "builtins/strlib.h"
#include "diag/oops.h"

namespace {

using namespace btest;

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

TEST_F(StringBuiltins, CaseConversionLeavesOtherOwnersAlone) {
  EXPECT_EQ(callText(b_toupper, {str("abc-xyz \xe4")}), "ABC-XYZ \xe4");
  EXPECT_EQ(callText(b_tolower, {field("AbC-XyZ \xc4")}), "abc-xyz \xc4");
  Cell shared = str("keep");
  Cell arg = shared;
  awk_access(&arg);
  EXPECT_EQ(callText(b_toupper, {arg}), "KEEP");
  EXPECT_EQ(text(shared), "keep");
  drop(&shared);
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
  testing::internal::CaptureStderr();
  std::string r = callText(b_translate, {str("abc"), str(big), str("X")});
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(r, "XXX");
  EXPECT_NE(err.find("Too many characters in argument to translate()"), std::string::npos) << err;

  unsigned char out[kTranslateSetMax];
  bool cut = false;
  EXPECT_EQ(awk_trexpand(big.data(), uint32_t(big.size()), false, out, &cut), kTranslateSetMax);
  EXPECT_TRUE(cut);
  EXPECT_EQ(awk_trexpand("\x01-\xff", 3, false, out, &cut), 255);
  EXPECT_FALSE(cut);
}

TEST_F(StringBuiltins, SprintfReportsBadFormats) {
  testing::internal::CaptureStderr();
  int saved = awk_debuge;
  awk_debuge = 1;   // an error must not end the test process
  Cell r = call(b_sprintf, {str("%d/%d"), num(1)});
  awk_debuge = saved;
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(int(r.tag), int(Tag::String));
  EXPECT_EQ(text(r).substr(0, 2), "1/");   // the partial text is still the result
  EXPECT_NE(err.find("in sprintf: fewer arguments than print format specifications"),
            std::string::npos) << err;
  drop(&r);
}

TEST_F(StringBuiltins, InternalChecksStopTheRun) {
  EXPECT_EXIT(call(b_substr, {num(1), num(1)}), testing::ExitedWithCode(2), "#3104H");
  EXPECT_EXIT(call(b_toupper, {num(1)}), testing::ExitedWithCode(2), "#3100H");
  EXPECT_EXIT(call(b_length, {str("a"), str("b")}), testing::ExitedWithCode(2), "#3107H");
  EXPECT_EXIT(call(b_sprintf, {}), testing::ExitedWithCode(2), "#3400H");
  EXPECT_EXIT(call(b_translate, {str("a"), num(1), str("b")}), testing::ExitedWithCode(2),
              "#4301H");
}

TEST_F(StringBuiltins, SplitMisuseWarnsAndDoesNothing) {
  const std::vector<std::tuple<BuiltinFn, std::vector<Cell>, std::string>> cases = {
      {b_split, {str("a b"), num(5), str(" ")}, "second argument to split must be an array"},
      {b_splitp, {str("a b"), num(5), str(" ")}, "second argument to splitp must be an array"},
      {b_splitp, {str("a b"), newArray()}, "FPAT is not set and no third arg to splitp"},
  };
  for (const auto& [fn, args, msg] : cases) {
    testing::internal::CaptureStderr();
    Cell r = call(fn, args);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(int(r.tag), int(Tag::Uninit));
    EXPECT_NE(err.find(msg), std::string::npos) << err;
  }
}

// (tests/cases/strings/precof has the rest.)
TEST_F(StringBuiltins, PrecofOfAnIntegerFieldIsNothing) {
  EXPECT_EQ(int(call(b__precof, {field("12")}).tag), int(Tag::Uninit));
}

}  // namespace
