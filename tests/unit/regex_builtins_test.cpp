// Pattern builtins: regex with its flag letters, the `~` test and the
// four-entry pattern cache (sub, gsub, subs, gsubs and match are covered
// by tests/cases/strings/subst.awk).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "arrays/table.h"
#include "image/format.h"
#include "regex/regex.h"
#include "program/symtab.h"
#include "values/convert.h"
#include "test_support.h"

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

using tsupport::strCell;

TEST_F(RegexBuiltins, RegexFlagsAndTilde) {
  Cell args[2] = {strCell("a+"), strCell("ix")};   // warns about x, keeps i
  b_regex(2, args);
  ASSERT_EQ(ret.tag, Tag::Regex);
  AwkPattern* p = ret.w.re;
  EXPECT_EQ(awk_ereflags(p) & 0xff, kReFold | kReString);
  Cell subject = strCell("xAAy");
  EXPECT_EQ(awk_tilde(&ret, &subject), 1);

  // A compiled pattern comes back with one more use and its flags unchanged.
  Cell again[2] = {ret, strCell("s")};
  Cell second;
  cellSetUninit(&second);
  awk_retval = &second;
  b_regex(2, again);
  EXPECT_EQ(second.w.re, p);
  EXPECT_EQ(p->refcnt, 2);
  EXPECT_EQ(awk_ereflags(p) & kReFirst, 0);

  // Quiet compilation: any diagnostic leaves the result untouched.
  Cell bad[2] = {strCell("a^b"), strCell("c")};
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
