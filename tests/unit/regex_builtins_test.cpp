// Pattern builtins: sub, gsub, subs, gsubs with their replacement modes and
// empty-match rules, match with its start and arrays, regex with its flag
// letters, the `~` test and the four-entry pattern cache.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "arrays/table.h"
#include "image/format.h"
#include "regex/regex.h"
#include "program/symtab.h"
#include "values/convert.h"

namespace {

Cell globals[vorn::image::kPredefinedCount];

class RegexBuiltins : public testing::Test {
 protected:
  void SetUp() override {
    awk_globvars = globals;
    awk_ngvars = vorn::image::kPredefinedCount;
    cellSetUninit(&ret);
    awk_retval = &ret;
  }
  Cell ret;
};

Cell str(const std::string& s) {
  Cell c;
  cellSetString(&c, stringNew(s));
  return c;
}

Cell num(int32_t v) {
  Cell c;
  cellSetInt(&c, v);
  return c;
}

Cell localRef(Cell* target) {
  Cell c{};
  c.tag = Tag::Ref;
  c.aux8a = uint8_t(RefKind::Local);
  c.w.cell = target;
  return c;
}

std::string text(const Cell& c) {
  AwkString* s = awk_a2s(&c);
  std::string out(s->view());
  stringFree(s);
  return out;
}

int32_t global(int gid) { return awk_gvar(gid)->w.i; }

using SubFn = void (*)(int, Cell*);

struct SubCase {
  SubFn fn;
  std::string pattern, repl, target;
  int mode;            // -1: argument absent
  std::string result;
  int count;
};

TEST_F(RegexBuiltins, Substitutions) {
  const std::string bs = "\\";
  const std::vector<SubCase> cases = {
      {b_gsub, "x*", "-", "abc", -1, "-a-b-c-", 4},
      {b_gsub, "b*", "-", "abc", -1, "-a-c-", 3},
      {b_sub, "a", "[&]", "cat", -1, "c[a]t", 1},
      {b_sub, "a", bs + "&", "cat", -1, "c&t", 1},
      {b_sub, "a", bs + bs + "&", "cat", -1, "c" + bs + "at", 1},
      {b_sub, "a", bs + bs + bs + "&", "cat", -1, "c" + bs + "&t", 1},
      {b_gsub, "(a)(b)", "$2$1", "abab", -1, "baba", 2},
      {b_gsub, "(a)(b)", "$3", "abab", -1, "$3$3", 2},
      {b_gsub, "(a)(b)", "<$0>", "abab", -1, "<ab><ab>", 2},
      {b_gsub, "(a)(b)", bs + "$1", "ab", -1, "$1", 1},
      {b_sub, "o", "$1", "foo", -1, "f$1o", 1},
      {b_gsub, "^a", "b", "aaa", -1, "baa", 1},
      {b_gsub, "^a", "", "aaa", -1, "aa", 1},   // `^` holds only at the start of the target
      {b_gsub, "a", "&&", "banana", 0, "b&&n&&n&&", 3},
      {b_gsub, "a", "[&]", "banana", 2, "b[a]n[a]n[a]", 3},
      {b_gsub, "a", bs + "&" + bs + "x" + bs, "aa", 2, "&x" + bs + "&x" + bs, 2},
      {b_gsub, "$", "!", "ab", -1, "ab!", 1},
      {b_gsub, "", "-", "", -1, "-", 1},
      {b_sub, "z", "y", "5", -1, "5", 0},
      {b_gsub, "an", "AN", "banana", -1, "bANANa", 2},
      {b_gsubs, "", "-", "ab", -1, "-a-b-", 3},
      {b_gsubs, "a.", "X", "a.ba.", -1, "XbX", 2},
      {b_subs, "&", "[&]", "x&y&", -1, "x[&]y&", 1},
      {b_subs, "q", "-", "abc", -1, "abc", 0},
  };
  for (const auto& c : cases) {
    Cell target = str(c.target);
    Cell args[4] = {str(c.pattern), str(c.repl), localRef(&target), num(c.mode)};
    cellSetUninit(&ret);
    c.fn(c.mode < 0 ? 3 : 4, args);
    std::string where = c.pattern + " / " + c.repl + " on " + c.target;
    EXPECT_EQ(text(target), c.result) << where;
    EXPECT_EQ(target.tag, Tag::String) << where;
    EXPECT_EQ(ret.w.i, c.count) << where;
    awk_unaccess(&target);
    awk_unaccess(&args[0]);
    awk_unaccess(&args[1]);
  }
}

TEST_F(RegexBuiltins, SubstitutionWithoutMatchLeavesTheTarget) {
  Cell target = num(5);
  Cell args[3] = {str("z"), str("y"), localRef(&target)};
  b_sub(3, args);
  EXPECT_EQ(ret.w.i, 0);
  EXPECT_EQ(target.tag, Tag::Int);
  EXPECT_EQ(target.w.i, 5);
  awk_unaccess(&target);
  awk_unaccess(&args[0]);
  awk_unaccess(&args[1]);
}

struct MatchCase {
  std::string subject, pattern;
  int start;   // 0: argument absent
  int result, rstart, rlength;
};

TEST_F(RegexBuiltins, Match) {
  using vorn::image::predef::g_RLENGTH;
  using vorn::image::predef::g_RSTART;
  const std::vector<MatchCase> cases = {
      {"foobar", "o+", 0, 2, 2, 2},
      {"abc", "b", 5, 0, 0, -1},
      {"abc", "^b", 2, 2, 2, 1},
      {"abc", "^b", 1, 0, 0, -1},
      {"abc", "c", -7, 3, 3, 1},
      {"abc", "$", 4, 4, 4, 0},
      {"abc", "x", 0, 0, 0, -1},
  };
  for (const auto& c : cases) {
    Cell args[3] = {str(c.subject), str(c.pattern), num(c.start)};
    b_match(c.start ? 3 : 2, args);
    std::string where = c.pattern + " on " + c.subject;
    EXPECT_EQ(ret.w.i, c.result) << where;
    EXPECT_EQ(global(g_RSTART), c.rstart) << where;
    EXPECT_EQ(global(g_RLENGTH), c.rlength) << where;
    awk_unaccess(&args[0]);
    awk_unaccess(&args[1]);
  }
  // An uninitialized pattern never matches.
  Cell args[2] = {str("abc"), Cell{}};
  cellSetUninit(&args[1]);
  b_match(2, args);
  EXPECT_EQ(ret.w.i, 0);
  EXPECT_EQ(global(g_RLENGTH), -1);
  awk_unaccess(&args[0]);
}

TEST_F(RegexBuiltins, MatchFillsPositionAndLengthArrays) {
  Cell pos, len;
  pos.tag = len.tag = Tag::Array;
  pos.w.t = awk_sanew(8);
  len.w.t = awk_sanew(8);
  awk_setarray(pos.w.t, 7, Tag::Int, 99);   // stale elements are deleted
  Cell args[5] = {str("ab"), str("(x)?b"), num(1), pos, len};
  b_match(5, args);
  EXPECT_EQ(ret.w.i, 2);
  Cell v;
  ASSERT_TRUE(awk_getarray(&pos, 0, &v));
  EXPECT_EQ(awk_a2l(&v), 2);
  ASSERT_TRUE(awk_getarray(&pos, 1, &v));
  EXPECT_EQ(awk_a2l(&v), 0);
  EXPECT_FALSE(awk_getarray(&pos, 7, &v));
  ASSERT_TRUE(awk_getarray(&len, 0, &v));
  EXPECT_EQ(awk_a2l(&v), 1);
  ASSERT_TRUE(awk_getarray(&len, 1, &v));
  EXPECT_EQ(awk_a2l(&v), 0);

  Cell args2[5] = {str("xaby"), str("(a)(b)"), num(1), pos, len};
  b_match(5, args2);
  ASSERT_TRUE(awk_getarray(&pos, 2, &v));
  EXPECT_EQ(awk_a2l(&v), 3);
  ASSERT_TRUE(awk_getarray(&len, 2, &v));
  EXPECT_EQ(awk_a2l(&v), 1);
  for (Cell* c : {&args[0], &args[1], &args2[0], &args2[1], &pos, &len}) awk_unaccess(c);
}

TEST_F(RegexBuiltins, RegexFlagsAndTilde) {
  Cell args[2] = {str("a+"), str("ix")};   // warns about x, keeps i
  b_regex(2, args);
  ASSERT_EQ(ret.tag, Tag::Regex);
  AwkPattern* p = ret.w.re;
  EXPECT_EQ(awk_ereflags(p) & 0xff, kReFold | kReString);
  Cell subject = str("xAAy");
  EXPECT_EQ(awk_tilde(&ret, &subject), 1);

  // A compiled pattern comes back with one more use and its flags unchanged.
  Cell again[2] = {ret, str("s")};
  Cell second;
  cellSetUninit(&second);
  awk_retval = &second;
  b_regex(2, again);
  EXPECT_EQ(second.w.re, p);
  EXPECT_EQ(p->refcnt, 2);
  EXPECT_EQ(awk_ereflags(p) & kReFirst, 0);

  // Quiet compilation: any diagnostic leaves the result untouched.
  Cell bad[2] = {str("a^b"), str("c")};
  Cell third;
  cellSetUninit(&third);
  awk_retval = &third;
  b_regex(2, bad);
  EXPECT_EQ(third.tag, Tag::Uninit);

  for (Cell* c : {&args[0], &args[1], &subject, &again[1], &bad[0], &bad[1], &ret, &second})
    awk_unaccess(c);
}

TEST_F(RegexBuiltins, CacheReusesAndEvicts) {
  std::vector<Cell> pats;
  for (const char* s : {"p1", "p2", "p3", "p4", "p5"}) pats.push_back(str(s));
  AwkPattern* first[4];
  for (int k = 0; k < 4; k++) first[k] = awk_getere(&pats[size_t(k)], "test", 4);
  // All four are cached: asking again returns the same objects.
  for (int k = 0; k < 4; k++) EXPECT_EQ(awk_getere(&pats[size_t(k)], "test", 4), first[k]);
  Cell subject = str("xp2x");
  EXPECT_EQ(awk_tilde(&pats[1], &subject), 1);
  // p2 was used last: the fifth pattern takes the entry after it (p3's).
  awk_getere(&pats[4], "test", 4);
  EXPECT_EQ(awk_getere(&pats[0], "test", 4), first[0]);
  EXPECT_EQ(awk_getere(&pats[1], "test", 4), first[1]);
  EXPECT_EQ(awk_getere(&pats[3], "test", 4), first[3]);
  AwkPattern* p3 = awk_getere(&pats[2], "test", 4);   // recompiled
  Cell probe = str("p3");
  EXPECT_EQ(awk_erematch(p3, "xp3", 3, 0, 0, 0), 4);
  for (auto& c : pats) awk_unaccess(&c);
  awk_unaccess(&subject);
  awk_unaccess(&probe);
}

}  // namespace
