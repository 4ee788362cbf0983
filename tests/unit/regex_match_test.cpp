// Matcher: leftmost-longest and first-match searches, anchors, case
// folding, empty matches, group positions under the preference test,
// backreferences, the byte-by-byte feed and the size limits. Then the
// pattern builtins: regex with its flag letters, the `~` test and the
// four-entry pattern cache (sub, gsub, subs, gsubs and match are covered
// by tests/cases/strings/subst.awk).
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "arrays/table.h"
#include "image/format.h"
#include "program/symtab.h"
#include "regex/regex.h"
#include "test_support.h"
#include "values/convert.h"

namespace {

AwkPattern* compile(const std::string& s, int flags = 0) {
  AwkPattern* p = awk_regcomp(s.data(), int32_t(s.size()), flags);
  EXPECT_NE(p, nullptr) << s << ": " << (awk_ereerr() ? awk_ereerr() : "");
  return p;
}

constexpr int kNone = -1;

struct SearchCase {
  std::string pattern;
  int compileFlags;
  std::string subject;
  int start, anchor, flags;
  int mstart, mend;   // kNone: no match
};

TEST(RegexMatch, Searches) {
  const std::vector<SearchCase> cases = {
      // leftmost wins over longer later matches, then longest
      {"a*", 0, "baaa", 0, 0, 0, 0, 0}, {"a*", 0, "aaab", 0, 0, 0, 0, 3}, {"b+", 0, "abbbc", 0, 0, 0, 1, 4},
      {"a|ab", 0, "abc", 0, 0, 0, 0, 2}, {"a|ab", 0, "abc", 0, 0, kReFirst, 0, 1},
      {"a|ab|abc", 0, "abcd", 0, 0, kReFirst, 0, 1}, {"b|ab", 0, "xab", 0, 0, kReFirst, 1, 3},
      {"(a|ab)(c|bcd)(d*)", 0, "abcd", 0, 0, 0, 0, 4}, {"(a|aa)*b", 0, "aaaaab", 0, 0, 0, 0, 6},
      {"x*", 0, "", 0, 0, 0, 0, 0}, {"x*", 0, "", 0, 0, kReNoEmpty, kNone, kNone},
      {"b*", 0, "abc", 0, 0, 0, 0, 0}, {"b*", 0, "abc", 0, 0, kReNoEmpty, 1, 2},
      {"", 0, "abc", 1, 0, 0, 1, 1}, {"a", 0, "abc", 3, 0, 0, kNone, kNone}, {"c", 0, "abc", 1, 0, 0, 2, 3},
      // anchors
      {"^b", 0, "ab", 1, 1, 0, 1, 2}, {"^b", 0, "ab", 1, 0, 0, kNone, kNone},
      {"^a", 0, "aa", 1, 0, 0, kNone, kNone}, {"a$", 0, "a", 0, 0, 0, 0, 1}, {"a$", 0, "ba", 0, 0, 0, 1, 2},
      {"a$", 0, "a\n", 0, 0, 0, kNone, kNone}, {"a$", 0, "aab", 0, 0, 0, kNone, kNone},
      {"$", 0, "abc", 0, 0, 0, 3, 3}, {"^", 0, "abc", 0, 0, 0, 0, 0}, {"^$", 0, "", 0, 0, 0, 0, 0},
      {"^$", 0, "a", 0, 0, 0, kNone, kNone}, {"a^b", 0, "ab", 0, 0, 0, kNone, kNone},
      {"a^b", 0, "a^b", 0, 0, 0, kNone, kNone}, {"(^a|^b)", 0, "b", 0, 0, 0, 0, 1},
      {"(^a|^b)", 0, "cb", 0, 0, 0, kNone, kNone}, {"x|^a", 0, "bax", 0, 0, 0, 2, 3},
      // newline is an ordinary byte
      {"a.b", 0, "a\nb", 0, 0, 0, 0, 3}, {"[^x]+", 0, "a\nbx", 0, 0, 0, 0, 3},
      {"[^\\n]+", 0, "ab\ncd", 0, 0, 0, 0, 2},
      // case folding
      {"A", kReFold, "xa", 0, 0, 0, 1, 2},
      {"a", 0, "xA", 0, 0, kReFold, 1, 2},  // folding asked for by the caller
      {"[a-z]+", kReFold, "1QzB2", 0, 0, 0, 1, 4}, {"[^a]", kReFold, "a", 0, 0, 0, 0, 1},
      {"\\xe9", kReFold, "\xc9", 0, 0, 0, kNone, kNone}, {"hello", kReFold, "say HeLLo", 0, 0, 0, 4, 9},
      // intervals and literal braces
      {"a{2,4}", 0, "aaaaa", 0, 0, 0, 0, 4}, {"a{2,4}", 0, "xa", 0, 0, 0, kNone, kNone},
      {"a{2,}", 0, "baaaaa", 0, 0, 0, 1, 6}, {"a{0}b", 0, "aab", 0, 0, 0, 2, 3},
      {"ba{0,1}c", 0, "bc", 0, 0, 0, 0, 2}, {"a{,3}", 0, "xa{,3}", 0, 0, 0, 1, 6},
      {"a*{2}", 0, "aa{2}", 0, 0, 0, 0, 5}, {"a{x}", 0, "a{x}", 0, 0, 0, 0, 4},
      {"a{2", 0, "aa{2", 0, 0, 0, 1, 4}, {"(a){3}", 0, "aaaa", 0, 0, 0, 0, 3},
      {"(ab|c){2}", 0, "xcab", 0, 0, 0, 1, 4},
      // backreferences
      {"(a)$1", 0, "xaay", 0, 0, 0, 1, 3}, {"(a)$1", 0, "ab", 0, 0, 0, kNone, kNone},
      {"(a)($1)*", 0, "aaaa", 0, 0, 0, 0, 4}, {"(a*)$1", 0, "aaaa", 0, 0, 0, 0, 4},
      {"(a*)$1", 0, "aaa", 0, 0, 0, 0, 2}, {"(a*)$1", 0, "b", 0, 0, 0, 0, 0},
      {"(ab|a)$1", 0, "abab", 0, 0, 0, 0, 4}, {"([ab])$1", 0, "abba", 0, 0, 0, 1, 3},
      {"(.)(.)$2$1", 0, "xabba", 0, 0, 0, 1, 5}, {"(abc)$1", 0, "abcabc", 0, 0, 0, 0, 6},
      {"(abc)$1", 0, "abcabd", 0, 0, 0, kNone, kNone}, {"(a)$1", kReFold, "aA", 0, 0, 0, kNone, kNone},
      {"(a)$1x", 0, "aax", 0, 0, 0, 0, 3},
      // A group that took no part: the back-reference fails.
      {"(x)?y$1", 0, "y", 0, 0, 0, kNone, kNone}, {"(a)|b$1", 0, "b", 0, 0, 0, kNone, kNone},
  };
  for (const auto& c : cases) {
    AwkPattern* p = compile(c.pattern, c.compileFlags);
    if (!p) continue;
    int32_t r = awk_erematch(p, c.subject.data(), int32_t(c.subject.size()), c.start, c.anchor, c.flags);
    int32_t s = kNone, e = kNone;
    int found = awk_erepatpos(&s, &e);
    std::string where = "/" + c.pattern + "/ on \"" + c.subject + "\"";
    EXPECT_EQ(r, c.mstart == kNone ? 0 : c.mend + 1) << where;
    EXPECT_EQ(found, c.mstart != kNone) << where;
    EXPECT_EQ(s, c.mstart) << where;   // left alone without a match
    EXPECT_EQ(e, c.mend) << where;
    awk_ererelease(p);
  }
}

struct GroupCase {
  std::string pattern;
  std::string subject;
  int mstart, mend;
  std::vector<std::pair<int, int>> groups;
  int flags = kReGroups;
};

TEST(RegexMatch, GroupPositions) {
  const std::vector<GroupCase> cases = {
      {"(a)(b)?", "ab", 0, 2, {{0, 1}, {1, 2}}}, {"(a)(b)?", "ac", 0, 1, {{0, 1}, {-1, -1}}},
      {"(a)|(b)", "b", 0, 1, {{-1, -1}, {0, 1}}}, {"(a){3}", "aaa", 0, 3, {{2, 3}}},
      {"(a*)b", "aab", 0, 3, {{0, 2}}}, {"(x)?b", "ab", 1, 2, {{-1, -1}}},
      {"((a))", "a", 0, 1, {{0, 1}, {0, 1}}}, {"(a*)$1", "aaaa", 0, 4, {{0, 2}}},
      {"x(a|b)*y", "xabay", 0, 5, {{3, 4}}}, {"(a(b)){2,3}", "abab", 0, 4, {{2, 4}, {3, 4}}},
      {"(a){3}(b)$2", "aaabb", 0, 5, {{2, 3}, {3, 4}}},  // copies share their groups
      // The preference test: the path with the larger sum of group lengths
      // wins, so the group takes the byte rather than the optional a before.
      {"a?(a?)", "a", 0, 1, {{0, 1}}},
      // An empty group entered on the only path is started, not unset.
      {"(a?)?", "", 0, 0, {{0, 0}}},
      // Positions are kept in full, so groups far into a long subject are exact.
      {"a(b)c", std::string(70000, 'x') + "abc", 70000, 70003, {{70001, 70002}}},
      // Nothing to report without tracking, or without a match.
      {"(a)(b)", "ab", 0, 2, {}, 0}, {"(a)(b)", "ba", kNone, kNone, {}},
  };
  for (const auto& c : cases) {
    AwkPattern* p = compile(c.pattern);
    if (!p) continue;
    std::string where = "/" + c.pattern + "/ on \"" + c.subject.substr(0, 20) + "\"";
    ASSERT_EQ(awk_erematch(p, c.subject.data(), int32_t(c.subject.size()), 0, 0, c.flags), c.mend + 1)
        << where;
    int32_t s = kNone, e = kNone;
    awk_erepatpos(&s, &e);
    EXPECT_EQ(s, c.mstart) << where;
    EXPECT_EQ(e, c.mend) << where;
    for (size_t g = 0; g < c.groups.size(); g++) {
      int32_t gs = 99, ge = 99;
      EXPECT_EQ(awk_ereparenpos(int(g + 1), &gs, &ge), int(c.groups.size())) << where;
      EXPECT_EQ(gs, c.groups[g].first) << where << " group " << g + 1;
      EXPECT_EQ(ge, c.groups[g].second) << where << " group " << g + 1;
    }
    int32_t gs, ge;
    EXPECT_EQ(awk_ereparenpos(int(c.groups.size() + 1), &gs, &ge), 0) << where;
    EXPECT_EQ(awk_ereparenpos(0, &gs, &ge), 0) << where;
    awk_ererelease(p);
  }
  int32_t s, e;
  EXPECT_EQ(awk_erematch(nullptr, "ab", 2, 0, 0, kReGroups), 0);  // a null pattern never matches
  EXPECT_EQ(awk_erepatpos(&s, &e), 0);
}

struct FeedCase {
  std::string pattern;
  int flags;
  std::string input;
  int returnsAt;      // index of the first non-zero erestep, or input size for the end
  int mstart, mend;   // kNone: no match at all
};

TEST(RegexMatch, ByteByByteFeed) {
  const std::vector<FeedCase> cases = {
      {"ab", kReNoEmpty, "xxabyy", 3, 2, 4}, {"a+", kReNoEmpty, "xaab", 3, 1, 3},
      {"a+", kReNoEmpty | kReFirst, "xaab", 1, 1, 2}, {"\n\n+", kReNoEmpty, "ab\n\n\ncd", 5, 2, 5},
      {"ab|abcd", kReNoEmpty, "abcx", 3, 0, 2}, {"ab|abcd", kReNoEmpty, "abcd", 3, 0, 4},
      {"a+", kReNoEmpty, "xaa", 3, 1, 3},  // complete only at the end
      {"z", kReNoEmpty, "abc", 3, kNone, kNone}, {"x*", kReNoEmpty, "abc", 3, kNone, kNone},
      {"[0-9]+;", kReNoEmpty, "ab12;cd", 4, 2, 5},
      {"(a)b", kReNoEmpty, "ab", 1, 0, 2},  // groups alone are not tracked
  };
  for (const auto& c : cases) {
    AwkPattern* p = compile(c.pattern);
    if (!p) continue;
    awk_eresetup(p, c.flags);
    int at = int(c.input.size()), r = 0;
    for (size_t i = 0; i < c.input.size(); i++) {
      r = awk_erestep(uint8_t(c.input[i]), int32_t(i));
      if (r) {
        at = int(i);
        break;
      }
    }
    if (!r) r = awk_erestep(-1, int32_t(c.input.size()));
    std::string where = "/" + c.pattern + "/ fed \"" + c.input + "\"";
    EXPECT_EQ(at, c.returnsAt) << where;
    int32_t s = kNone, e = kNone;
    EXPECT_EQ(r != 0, c.mstart != kNone) << where;
    EXPECT_EQ(awk_erepatpos(&s, &e), c.mstart != kNone) << where;
    EXPECT_EQ(s, c.mstart) << where;
    EXPECT_EQ(e, c.mend) << where;
    awk_ererelease(p);
  }
}

TEST(RegexMatchDeath, PatternTooLarge) {
  std::string many(1200, 'a');   // 1201 threads: lists of 33636 bytes
  AwkPattern* p = compile(many);
  ASSERT_NE(p, nullptr);
  EXPECT_EXIT(awk_erematch(p, many.data(), 1200, 0, 0, 0), testing::ExitedWithCode(2),
              "regular expression pattern too large");
  std::string fits(1100, 'a');
  AwkPattern* q = compile(fits);
  EXPECT_EQ(awk_erematch(q, fits.data(), 1100, 0, 0, 0), 1101);
  awk_ererelease(p);
  awk_ererelease(q);
}

TEST(RegexMatchDeath, RecordSeparatorWithGroups) {
  // A pattern that needs its groups tracked is refused (ByteByByteFeed takes "(a)b").
  AwkPattern* plain = compile("(a)b");
  AwkPattern* p = compile("((a))b");
  EXPECT_EXIT(awk_eresetup(p, kReNoEmpty), testing::ExitedWithCode(2), "RS contains \\(\\)");
  EXPECT_EXIT(awk_eresetup(plain, kReGroups), testing::ExitedWithCode(2), "RS contains");
  awk_ererelease(p);
  awk_ererelease(plain);
}

Cell globals[vorn::image::kPredefinedCount];

class RegexBuiltins : public testing::Test {
 protected:
  void SetUp() override {
    awk_globvars = globals;
    awk_ngvars = vorn::image::kPredefinedCount;
  }
  // regex(args[0], args[1]), its result in a cell of its own.
  static Cell regex(Cell* args) {
    Cell r;
    cellSetUninit(&r);
    awk_retval = &r;
    b_regex(2, args);
    return r;
  }
};

using tsupport::strCell;

TEST_F(RegexBuiltins, RegexFlagsAndTilde) {
  Cell args[2] = {strCell("a+"), strCell("ix")};   // warns about x, keeps i
  Cell ret = regex(args);
  ASSERT_EQ(ret.tag, Tag::Regex);
  AwkPattern* p = ret.w.re;
  EXPECT_EQ(awk_ereflags(p) & 0xff, kReFold | kReString);
  Cell subject = strCell("xAAy");
  EXPECT_EQ(awk_tilde(&ret, &subject), 1);

  // A compiled pattern comes back with one more use and its flags unchanged.
  Cell again[2] = {ret, strCell("s")};
  Cell second = regex(again);
  EXPECT_EQ(second.w.re, p);
  EXPECT_EQ(p->refcnt, 2);
  EXPECT_EQ(awk_ereflags(p) & kReFirst, 0);

  // Quiet compilation: any diagnostic leaves the result untouched.
  Cell bad[2] = {strCell("a^b"), strCell("c")};
  EXPECT_EQ(regex(bad).tag, Tag::Uninit);

  for (Cell* c : {&args[0], &args[1], &subject, &again[1], &bad[0], &bad[1], &ret, &second})
    awk_unaccess(c);
}

TEST_F(RegexBuiltins, CacheReusesAndEvicts) {
  std::vector<Cell> pats;
  for (const char* s : {"p1", "p2", "p3", "p4", "p5"}) pats.push_back(strCell(s));
  AwkPattern* first[4];
  for (int k = 0; k < 4; k++) first[k] = awk_getere(&pats[size_t(k)], "test", 4);
  // All four are cached: asking again returns the same objects.
  for (int k = 0; k < 4; k++) EXPECT_EQ(awk_getere(&pats[size_t(k)], "test", 4), first[k]);
  Cell subject = strCell("xp2x");
  EXPECT_EQ(awk_tilde(&pats[1], &subject), 1);
  // p2 was used last: the fifth pattern takes the entry after it (p3's).
  awk_getere(&pats[4], "test", 4);
  EXPECT_EQ(awk_getere(&pats[0], "test", 4), first[0]);
  EXPECT_EQ(awk_getere(&pats[1], "test", 4), first[1]);
  EXPECT_EQ(awk_getere(&pats[3], "test", 4), first[3]);
  AwkPattern* p3 = awk_getere(&pats[2], "test", 4);   // recompiled
  EXPECT_EQ(awk_erematch(p3, "xp3", 3, 0, 0, 0), 4);
  for (auto& c : pats) awk_unaccess(&c);
  awk_unaccess(&subject);
}

}  // namespace
