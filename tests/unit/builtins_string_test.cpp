// String builtins: positions and clamping of substr, index and rindex,
// substring assignment through a reference, ord and the shared one-byte
// strings of char, typeof and _precof of fields, translate's sets and
// flags, paste with array pieces and separators, strdup, sprintf's error
// report, split and splitp into arrays.
#include <string>
#include <vector>

#include "builtins_fixture.h"
#include "builtins/strlib.h"
#include "diag/oops.h"

namespace {

using namespace btest;

class StringBuiltins : public BuiltinTest {};

// Every handler of this library is reachable through its slot.
TEST(StringAndNumericSlots, ReachTheirHandlers) {
  namespace slot = vorn::image::slot;
  const std::pair<int, BuiltinFn> cases[] = {
      {slot::b___lsubstr, b___lsubstr}, {slot::b_split, b_split},     {slot::b_splitp, b_splitp},
      {slot::b_substr, b_substr},       {slot::b_length, b_length},   {slot::b_index, b_index},
      {slot::b_rindex, b_rindex},       {slot::b_sprintf, b_sprintf}, {slot::b_toupper, b_toupper},
      {slot::b_tolower, b_tolower},     {slot::b_typeof, b_typeof},   {slot::b_ord, b_ord},
      {slot::b__precof, b__precof},     {slot::b_translate, b_translate},
      {slot::b_strdup, b_strdup},       {slot::b_char, b_char},       {slot::b_paste, b_paste},
      {slot::b_not, b_not},             {slot::b_and, b_and},         {slot::b_or, b_or},
      {slot::b_xor, b_xor},             {slot::b_shiftl, b_shiftl},   {slot::b_shiftr, b_shiftr},
      {slot::b_int, b_int},             {slot::b_rand, b_rand},       {slot::b_srand, b_srand},
      {slot::b_atan2, b_atan2},         {slot::b_cos, b_cos},         {slot::b_exp, b_exp},
      {slot::b_log, b_log},             {slot::b_sin, b_sin},         {slot::b_sqrt, b_sqrt},
      {slot::b_convertnum, b_convertnum}, {slot::b_table, b_table},
  };
  for (auto [s, fn] : cases) EXPECT_EQ(awk_b_table[s], fn) << vorn::image::kBuiltinNames[s];
}

struct SubstrCase {
  std::string s;
  int32_t m;
  int32_t n;   // INT32_MIN: no length argument
  std::string want;
};

TEST_F(StringBuiltins, SubstrClampsStartAndLength) {
  constexpr int32_t kNone = INT32_MIN;
  const std::vector<SubstrCase> cases = {
      {"hello", 0, 2, "he"},   // a start below 1 does not shorten the result
      {"hello", -3, kNone, "hello"},
      {"hello", -3, 2, "he"},
      {"hello", 2, kNone, "ello"},
      {"hello", 9, kNone, ""},
      {"hello", 6, kNone, ""},
      {"hello", 5, kNone, "o"},
      {"hello", 2, -1, ""},
      {"hello", 2, 0, ""},
      {"hello", 2, 100, "ello"},
      {"hello", 2, 3, "ell"},
      {"hello", INT32_MIN, 3, "hel"},
      {"hello", INT32_MAX, 3, ""},
      {"", 1, 1, ""},
  };
  for (const auto& c : cases) {
    std::vector<Cell> args = {str(c.s), num(c.m)};
    if (c.n != kNone) args.push_back(num(c.n));
    EXPECT_EQ(callText(b_substr, args), c.want) << c.s << " " << c.m << " " << c.n;
  }
}

// Starts beyond 32767 must still address the right bytes of a long string.
TEST_F(StringBuiltins, SubstrReachesFarIntoLongStrings) {
  std::string s(70000, 'a');
  s.replace(50000, 3, "xyz");
  EXPECT_EQ(callText(b_substr, {str(s), num(50001), num(3)}), "xyz");
  EXPECT_EQ(callText(b_substr, {str(s), num(69999)}), "aa");
}

TEST_F(StringBuiltins, SubstrOfTheWholeStringSharesIt) {
  Cell s = str("whole");
  Cell r = call(b_substr, {s, num(1)});
  // The argument was released by the call: the result keeps the object alive.
  EXPECT_EQ(r.w.s, s.w.s);
  EXPECT_EQ(text(r), "whole");
  drop(&r);
}

struct LsubstrCase {
  std::string v, t;
  int32_t m, n;   // n INT32_MIN: no length
  std::string want;
};

TEST_F(StringBuiltins, SubstringAssignment) {
  constexpr int32_t kNone = INT32_MIN;
  const std::vector<LsubstrCase> cases = {
      {"hello world", "there", 7, 5, "hello there"},
      {"hello", "J", 1, 1, "Jello"},
      {"hello", "p!", 4, kNone, "help!"},
      {"hello", "<", 0, 0, "<hello"},        // start clamped to the beginning
      {"hello", ">", 99, 3, "hello>"},       // start clamped to the end
      {"hello", "", 2, 3, "ho"},
      {"hello", "XY", 2, -5, "hXYello"},     // a negative count inserts
      {"hello", "XY", 2, 99, "hXY"},
      {"", "abc", 1, kNone, "abc"},
  };
  for (const auto& c : cases) {
    Cell v = str(c.v);
    std::vector<Cell> args = {str(c.t), localRef(&v), num(c.m)};
    if (c.n != kNone) args.push_back(num(c.n));
    Cell r = call(b___lsubstr, args);
    EXPECT_EQ(int(r.tag), int(Tag::Uninit));
    EXPECT_EQ(int(v.tag), int(Tag::String));
    EXPECT_EQ(text(v), c.want) << c.v << " <- " << c.t << " at " << c.m;
    drop(&v);
  }
}

TEST_F(StringBuiltins, SubstringAssignmentToANumberVariable) {
  Cell v = num(12345);
  call(b___lsubstr, {str("-"), localRef(&v), num(3), num(1)});
  EXPECT_EQ(text(v), "12-45");
  drop(&v);
}

struct SearchCase {
  BuiltinFn fn;
  std::string s, t;
  int32_t third;   // INT32_MIN: absent
  int32_t want;
};

TEST_F(StringBuiltins, IndexAndRindexLimits) {
  constexpr int32_t kNone = INT32_MIN;
  const std::vector<SearchCase> cases = {
      {b_index, "hello", "lo", kNone, 4},
      {b_index, "hello", "lo", 5, 0},
      {b_index, "hello", "lo", 4, 4},     // counted from the start of s
      {b_index, "hello", "l", 4, 4},
      {b_index, "hello", "h", 2, 0},
      {b_index, "hello", "h", 0, 0},      // start below 1
      {b_index, "hello", "o", 6, 0},      // start beyond the length
      {b_index, "hello", "o", 5, 5},
      {b_index, "hello", "", kNone, 1},
      {b_index, "", "", kNone, 0},
      {b_index, "hello", "hello!", kNone, 0},
      {b_index, "aaa", "aa", kNone, 1},
      {b_rindex, "hello", "l", kNone, 4},
      {b_rindex, "hello", "l", 3, 3},
      {b_rindex, "hello", "ll", 3, 0},    // must lie wholly within the limit
      {b_rindex, "hello", "ll", 4, 3},
      {b_rindex, "hello", "l", 0, 0},
      {b_rindex, "hello", "l", 99, 4},
      {b_rindex, "hello", "", kNone, 0},
      {b_rindex, "aaa", "aa", kNone, 2},
      {b_rindex, "hello", "z", kNone, 0},
  };
  for (const auto& c : cases) {
    std::vector<Cell> args = {str(c.s), str(c.t)};
    if (c.third != kNone) args.push_back(num(c.third));
    EXPECT_EQ(callInt(c.fn, args), c.want)
        << (c.fn == b_index ? "index" : "rindex") << "(" << c.s << ", " << c.t << ", "
        << c.third << ")";
  }
}

TEST_F(StringBuiltins, LengthOfValuesAndArrays) {
  EXPECT_EQ(callInt(b_length, {str("abc")}), 3);
  EXPECT_EQ(callInt(b_length, {field("")}), 0);
  EXPECT_EQ(callInt(b_length, {num(-120)}), 4);
  EXPECT_EQ(callInt(b_length, {flt(12.50, 2)}), 4);   // "12.5" under CONVFMT
  Cell u{};
  cellSetUninit(&u);
  EXPECT_EQ(callInt(b_length, {u}), 0);
  EXPECT_EQ(callInt(b_length, {arrayOf({"a", "b", "c"})}), 3);
  EXPECT_EQ(callInt(b_length, {newArray()}), 0);
}

TEST_F(StringBuiltins, CaseConversionLeavesOtherOwnersAlone) {
  EXPECT_EQ(callText(b_toupper, {str("abc-xyz \xe4")}), "ABC-XYZ \xe4");
  EXPECT_EQ(callText(b_tolower, {field("AbC-XyZ \xc4")}), "abc-xyz \xc4");
  // A string with a second owner is copied, not changed in place.
  Cell shared = str("keep");
  Cell arg = shared;
  awk_access(&arg);
  EXPECT_EQ(callText(b_toupper, {arg}), "KEEP");
  EXPECT_EQ(text(shared), "keep");
  drop(&shared);
}

TEST_F(StringBuiltins, OrdPositions) {
  EXPECT_EQ(callInt(b_ord, {str("A")}), 65);
  EXPECT_EQ(callInt(b_ord, {str("abc"), num(3)}), 99);
  EXPECT_EQ(callInt(b_ord, {str("abc"), num(4)}), -1);
  EXPECT_EQ(callInt(b_ord, {str("abc"), num(0)}), -1);
  EXPECT_EQ(callInt(b_ord, {str("")}), 0);
  EXPECT_EQ(callInt(b_ord, {str(""), num(1)}), -1);
  EXPECT_EQ(callInt(b_ord, {str("\xff")}), 255);   // unsigned
}

TEST_F(StringBuiltins, CharBuildsBytes) {
  EXPECT_EQ(callText(b_char, {num(72), num(105)}), "Hi");
  EXPECT_EQ(callText(b_char, {}), "");
  EXPECT_EQ(callText(b_char, {num(0x141)}), "A");   // low 8 bits
  std::string three = callText(b_char, {num(0), num(256), num(-1)});
  EXPECT_EQ(three, std::string("\0\0\xff", 3));
}

// One-argument char hands out one shared string per byte value. However
// many copies are made and dropped, it must never be freed.
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

TEST_F(StringBuiltins, TypeofNamesTagsAndFieldContents) {
  Cell u{};
  cellSetUninit(&u);
  const std::vector<std::pair<Cell, std::string>> cases = {
      {u, "uninitialized"},     {num(3), "int"},          {flt(1.5), "float"},
      {str("3.5"), "string"},   {field("3.5"), "float"},  {field("42"), "int"},
      {field(" 42"), "int"},    {field("abc"), "string"}, {field("12abc"), "string"},
      {field(""), "string"},    {newArray(), "array"},
  };
  for (const auto& [cell, want] : cases) EXPECT_EQ(callText(b_typeof, {cell}), want) << want;
}

TEST_F(StringBuiltins, PrecofReportsDecimals) {
  Cell r = call(b__precof, {flt(3.5, 2)});
  EXPECT_EQ(r.w.i, 2);
  EXPECT_EQ(callInt(b__precof, {field("3.500")}), 3);
  EXPECT_EQ(callInt(b__precof, {flt(0.1, kUnlimitedDecimals)}), 400);
  for (Cell c : {num(7), str("3.5"), field("abc"), field("12")}) {
    Cell none = call(b__precof, {c});
    EXPECT_EQ(int(none.tag), int(Tag::Uninit));
  }
}

struct TranslateCase {
  std::string s, from, to, flags;   // flags "-": no fourth argument
  std::string want;
};

TEST_F(StringBuiltins, TranslateSetsAndFlags) {
  const std::vector<TranslateCase> cases = {
      {"hello", "lo", "xy", "-", "hexxy"},
      {"hello", "lo", "xy", "s", "hexy"},
      {"hello", "lo", "x", "-", "hexxx"},     // past the to set: its last byte
      {"hello", "lo", "x", "d", "hexx"},      // past the to set: deleted
      {"hello", "lo", "", "-", "he"},         // an empty to set deletes
      {"a-z", "a-z", "A-Z", "n", "A-Z"},      // no ranges: a, - and z only
      {"abc-xyz", "a-z", "A-Z", "n", "Abc-xyZ"},
      {"hello world", "a-z", "A-Z", "-", "HELLO WORLD"},
      {"hello world", "a-z", "A-Z", "c", "helloZworld"},   // ' ' is past the to set
      {"a1b22c333", "0-9", "#", "s", "a#b#c#"},
      {"a1b22c333", "0-9", "", "s", "abc"},
      {"aabbaa", "ab", "xx", "s", "x"},       // a and b map to one byte: one run
      {"aaxaa", "a", "y", "s", "yxy"},         // an unmapped byte ends the run
      {"a1a", "a1", "y", "ds", "y"},           // a dropped byte does not end the run
      {"abc", "-a", "_A", "-", "Abc"},         // a leading '-' is itself
      {"a-c", "a-", "xy", "-", "xyc"},         // so is a trailing one
      {"abc", "c-a", "xyz", "-", "abc"},       // a reversed range is empty
  };
  for (const auto& c : cases) {
    std::vector<Cell> args = {str(c.s), str(c.from), str(c.to)};
    if (c.flags != "-") args.push_back(str(c.flags));
    EXPECT_EQ(callText(b_translate, args), c.want)
        << c.s << " [" << c.from << "] -> [" << c.to << "] " << c.flags;
  }
}

TEST_F(StringBuiltins, TranslateCutsOversizedSets) {
  // 26 * 20 = 520 bytes of ranges: cut at 400 with a warning.
  std::string big;
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

TEST_F(StringBuiltins, TranslateComplementTakesEveryOtherByte) {
  EXPECT_EQ(callText(b_translate, {str("ab1 c2"), str("a-z"), str("."), str("c")}), "ab..c.");
  EXPECT_EQ(callText(b_translate, {str("ab1 c2"), str("a-z"), str(""), str("c")}), "abc");
  // The complement is in ascending order: byte 0 maps to the first to byte.
  std::string in("\x00\x01z", 3);
  EXPECT_EQ(callText(b_translate, {str(in), str("z"), str("AB"), str("c")}), "ABz");
}

struct PasteCase {
  std::vector<Cell> args;
  std::string want;
};

TEST_F(StringBuiltins, PasteJoinsStringsAndArrays) {
  std::vector<PasteCase> cases;
  cases.push_back({{str("x"), str("y"), str("z"), str("-")}, "x-y-z"});
  cases.push_back({{str("x"), str("-")}, "x"});
  cases.push_back({{str("-")}, ""});
  cases.push_back({{num(1), flt(2.5), str("")}, "12.5"});
  {
    Cell sep = newArray();
    awk_setarray(sep.w.t, 1, Tag::String, reinterpret_cast<intptr_t>(stringNew("+")));
    cases.push_back({{arrayOf({"a", "b", "c"}), sep}, "a+b+c"});
  }
  {
    // sep[2] missing: the last separator found (sep[1]) stands in; sep[3] is used.
    Cell sep = arrayOf({"1", "<missing>", "3"});
    Cell key = str("2");
    awk_tabdelete(&sep, &key);
    drop(&key);
    cases.push_back({{arrayOf({"a", "b", "c", "d", "e"}), sep}, "a1b1c3d3e"});
  }
  {
    // No element of sep before piece 2: nothing stands between 1 and 2.
    Cell sep = newArray();
    awk_setarray(sep.w.t, 2, Tag::String, reinterpret_cast<intptr_t>(stringNew(",")));
    cases.push_back({{arrayOf({"a", "b", "c"}), sep}, "ab,c"});
  }
  {
    // Elements stop at the first missing index.
    Cell a = arrayOf({"p", "q", "r"});
    Cell key = str("2");
    awk_tabdelete(&a, &key);
    drop(&key);
    cases.push_back({{a, str("x"), arrayOf({"s", "t"}), str("/")}, "p/x/s/t"});
  }
  cases.push_back({{newArray(), str("x"), str(",")}, "x"});
  for (auto& c : cases) EXPECT_EQ(callText(b_paste, c.args), c.want);
}

TEST_F(StringBuiltins, StrdupRepeats) {
  EXPECT_EQ(callText(b_strdup, {str("ab"), num(3)}), "ababab");
  EXPECT_EQ(callText(b_strdup, {str("ab")}), "ab");
  EXPECT_EQ(callText(b_strdup, {str("ab"), num(0)}), "");
  EXPECT_EQ(callText(b_strdup, {str("ab"), num(-4)}), "");
  EXPECT_EQ(callText(b_strdup, {str(""), num(5)}), "");
  EXPECT_EQ(callText(b_strdup, {str("xyz"), num(7)}), "xyzxyzxyzxyzxyzxyzxyz");
}

TEST_F(StringBuiltins, SprintfFormatsAndReportsBadFormats) {
  EXPECT_EQ(callText(b_sprintf, {str("%d-%s|%5.2f"), num(7), str("x"), flt(3.14159)}),
            "7-x| 3.14");
  EXPECT_EQ(callText(b_sprintf, {str("plain")}), "plain");
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

struct SplitCase {
  std::string s;
  std::vector<Cell> sep;   // empty: no third argument is not tested here
  std::vector<std::string> want;
};

TEST_F(StringBuiltins, SplitWithSeparators) {
  std::vector<SplitCase> cases;
  cases.push_back({"a b c", {str(" ")}, {"a", "b", "c"}});
  cases.push_back({"  a \t b\n", {str(" ")}, {"a", "b"}});
  cases.push_back({"a:b::c", {str(":")}, {"a", "b", "", "c"}});
  cases.push_back({"a:", {str(":")}, {"a", ""}});
  cases.push_back({"", {str(":")}, {}});
  cases.push_back({"", {str(" ")}, {}});
  cases.push_back({"abc", {str("")}, {"a", "b", "c"}});
  cases.push_back({"a1b22c", {str("[0-9]+")}, {"a", "b", "c"}});
  cases.push_back({"a12", {str("[0-9]+")}, {"a", ""}});
  for (auto& c : cases) {
    Cell arr = arrayOf({"stale", "stale", "stale", "stale", "stale", "stale"});
    Cell arrArg = arr;
    awk_access(&arrArg);
    std::vector<Cell> args = {str(c.s), arrArg};
    for (Cell& x : c.sep) args.push_back(x);
    EXPECT_EQ(callInt(b_split, args), int32_t(c.want.size())) << c.s;
    EXPECT_EQ(awk_tablength(arr.w.t), int32_t(c.want.size())) << c.s;
    for (size_t i = 0; i < c.want.size(); ++i)
      EXPECT_EQ(elem(&arr, std::to_string(i + 1)), c.want[i]) << c.s << " piece " << i + 1;
    drop(&arr);
  }
}

TEST_F(StringBuiltins, SplitPiecesAreFields) {
  Cell arr = newArray();
  Cell arrArg = arr;
  awk_access(&arrArg);
  EXPECT_EQ(callInt(b_split, {str("10,x"), arrArg, str(",")}), 2);
  Cell key = num(1), v{};
  ASSERT_EQ(awk_tabfind(&arr, &key, &v, kTabValue), 1);
  EXPECT_EQ(int(v.tag), int(Tag::Field));
  drop(&v);
  drop(&arr);
}

TEST_F(StringBuiltins, SplitpKeepsMatches) {
  Cell arr = newArray();
  Cell arrArg = arr;
  awk_access(&arrArg);
  EXPECT_EQ(callInt(b_splitp, {str("ab12cd345e6"), arrArg, str("[0-9]+")}), 3);
  EXPECT_EQ(elem(&arr, "1"), "12");
  EXPECT_EQ(elem(&arr, "3"), "6");
  arrArg = arr;
  awk_access(&arrArg);
  EXPECT_EQ(callInt(b_splitp, {str("a,,b"), arrArg, str("[^,]*")}), 3);
  EXPECT_EQ(elem(&arr, "2"), "");
  EXPECT_EQ(elem(&arr, "3"), "b");
  drop(&arr);
}

TEST_F(StringBuiltins, SplitIntoAScalarWarnsAndDoesNothing) {
  const std::vector<std::pair<BuiltinFn, std::string>> cases = {
      {b_split, "second argument to split must be an array"},
      {b_splitp, "second argument to splitp must be an array"},
  };
  for (const auto& [fn, msg] : cases) {
    testing::internal::CaptureStderr();
    Cell r = call(fn, {str("a b"), num(5), str(" ")});
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(int(r.tag), int(Tag::Uninit));
    EXPECT_NE(err.find(msg), std::string::npos) << err;
  }
}

TEST_F(StringBuiltins, SplitpWithoutPatternOrFpatWarns) {
  Cell arr = newArray();
  testing::internal::CaptureStderr();
  Cell r = call(b_splitp, {str("a b"), arr});
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(int(r.tag), int(Tag::Uninit));
  EXPECT_NE(err.find("FPAT is not set and no third arg to splitp"), std::string::npos) << err;
}

}  // namespace
