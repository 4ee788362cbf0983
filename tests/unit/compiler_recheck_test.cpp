// The compile-time check of regular expressions: it must refuse exactly
// what the run-time's pattern compiler refuses, with the same text, and
// report its warnings (the last one when there are several).
#include <gtest/gtest.h>

#include "compiler/posixclass.h"
#include "compiler/recheck.h"

using namespace vorn::compiler;

namespace {

const struct { const char* pattern; bool ok; const char* message; } kCases[] = {
    // accepted without a word
    {"", true, ""}, {"abc", true, ""}, {"a|b|", true, ""}, {"()", true, ""}, {"(a*)?", true, ""},
    {"a*{2}", true, ""},  // '{' after an operator is a literal
    {"a{2,4}", true, ""}, {"a{,3}", true, ""},  // not an interval: literal text
    {"a{x}", true, ""}, {"a{3,2}", true, ""}, {"a{2", true, ""},
    {"(a*){2}", true, ""},  // only the starred copy of {m,} can fail
    {"a{0}", true, ""}, {"[]a]", true, ""}, {"[a-]", true, ""}, {"[^\\n]", true, ""}, {"[^]a]", true, ""},
    {"\\101\\x41\\8", true, ""}, {"(a)$1", true, ""}, {"(^a|^b)", true, ""}, {"^a", true, ""},
    {"(a$)", true, ""}, {"a$|b", true, ""}, {"a$?", true, ""}, {"x{}", true, ""},
    {"\\|^a", true, "unexpected ^"},  // an escaped bar starts nothing
    {"$0", true, "unexpected $"},
    // warnings
    {"a^b", true, "unexpected ^"}, {"a$b", true, "unexpected $"},
    {"\\xg", true, "invalid hex escape sequence"},
    {"\\400", true, "invalid backslash escape sequence; must be in range \\0 to \\377"},
    {"a^b\\xg", true, "invalid hex escape sequence"},  // the last warning is the one kept
    {"[\\xz]", true, "invalid hex escape sequence"},
    // errors
    {"a(", false, "missing )"}, {"(a|b", false, "missing )"}, {"a)", false, "missing ("},
    {"[a", false, "missing ]"}, {"[^]", false, "missing ]"}, {"[a-", false, "missing ]"},
    {"[\\", false, "missing ]"}, {"[z-a]", false, "character range with first > last"},
    {"*a", false, "unexpected *"}, {"a**", false, "unexpected *"}, {"a+?", false, "unexpected ?"},
    {"(+)", false, "unexpected +"}, {"a|*", false, "unexpected *"}, {"a\\", false, "trailing \\"},
    {"$2", false, "$number exceeds paren count"}, {"(a)$2", false, "$number exceeds paren count"},
    {"(a$1)", false, "$number exceeds paren count"}, {"(a*)*", false, "operand of * or {} possibly empty"},
    {"()+", false, "operand of + or {} possibly empty"},
    {"(a|)*", false, "operand of * or {} possibly empty"},
    {"(^)*", false, "operand of * or {} possibly empty"},
    {"(a*){2,}", false, "operand of * or {} possibly empty"},
    {"(a){0}*", false, "unexpected *"},  // a second operator starts the next atom
    {"((a)|$2)*", true, ""},  // $2 is (a), which never matches empty
    {"((a)|$1)*", false, "$number exceeds paren count"},  // group 1 is still open
    {"(a*)$1*", false, "operand of * or {} possibly empty"},
    {"a^b(", false, "missing )"},  // an error wins over an earlier warning
    // long digit runs (regression: the count stopped the scan from advancing)
    {"(a)$1111111111111111111111", false, "$number exceeds paren count"},
    {"a{1,2222222222222222222222}", true, ""}, {"a{3333333333333333333333,2}", true, ""},
};

TEST(RegexCheck, AgreesWithThePatternCompiler) {
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.pattern);
    RegexCheck r = checkRegex(c.pattern);
    EXPECT_EQ(r.ok, c.ok);
    EXPECT_EQ(r.message, c.message);
  }
}

TEST(RegexCheck, CompilerWarningTexts) {
  EXPECT_EQ(regexWarning("ab"), "");
  EXPECT_EQ(regexWarning("a("), "this regular expression does not compile: missing )");
  EXPECT_EQ(regexWarning("a^"), "in this regular expression: unexpected ^");
}

// Nesting beyond what the check follows is left to the run-time: no
// verdict, and no deep recursion.
TEST(RegexCheck, DeepNestingIsNotFollowed) {
  std::string deep(100000, '(');
  RegexCheck r = checkRegex(deep);
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.message, "");
}

}  // namespace

TEST(PosixClasses, RewrittenInsideBracketsOnly) {
  const std::pair<const char*, const char*> cases[] = {
      {"[^[:digit:][:blank:]]", "[^0-9 \\t]"},  {"[][:punct:]]", "[]!-/:-@\\[-`{-~]"},
      {"\\[[:alpha:]]", "\\[[:alpha:]]"},       {"[\\][:lower:]]", "[\\]a-z]"},
      {"[[:nope:]]", "[[:nope:]]"},             {"[[:cntrl:]]", "[\\x01-\\x1f\\x7f]"},
  };
  for (const auto& [in, out] : cases) {
    std::string re = in;
    EXPECT_EQ(expandPosixClasses(re), std::string(in) != out) << in;
    EXPECT_EQ(re, out) << in;
    EXPECT_EQ(regexWarning(re), "") << re;
  }
}
