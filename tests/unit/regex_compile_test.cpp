// Pattern compiler: diagnostics, size limits, flags and the byte sets that
// classes and escapes denote.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "regex/regex.h"

namespace {

AwkPattern* compile(const std::string& s, int flags = 0) {
  return awk_regcomp(s.data(), int32_t(s.size()), flags);
}

std::string diag() {
  const char* e = awk_ereerr();
  return e ? e : "";
}

struct DiagCase {
  std::string pattern;
  const char* message;   // expected awk_ereerr(), "" for none; "e:..." fails
};

TEST(RegexCompile, Diagnostics) {
  // A class of 300 ranges takes 303 words; 60 of them exceed 16350 words.
  std::string cls = "[", big;
  for (int k = 0; k < 100; k++) cls += "\\x01\\x03\\x05";
  cls += "]";
  for (int k = 0; k < 60; k++) big += cls;
  const std::vector<DiagCase> cases = {
      {"a**", "e:unexpected *"}, {"a+?", "e:unexpected ?"}, {"+a", "e:unexpected +"},
      {"a|*b", "e:unexpected *"}, {"a{2}*", "e:unexpected *"}, {"(a", "e:missing )"},
      {"((a)|b", "e:missing )"}, {"a)", "e:missing ("}, {"(a))", "e:missing ("}, {"[a", "e:missing ]"},
      {"[^]", "e:missing ]"}, {"[]", "e:missing ]"}, {"[a-", "e:missing ]"}, {"[a\\", "e:missing ]"},
      {"[z-a]", "e:character range with first > last"},
      {"[\\x42-\\x41]", "e:character range with first > last"}, {"a\\", "e:trailing \\"},
      {"\\", "e:trailing \\"}, {"(a)$2", "e:$number exceeds paren count"},
      {"$1", "e:$number exceeds paren count"}, {"(a$1)", "e:$number exceeds paren count"},
      {"(a)$10", "e:$number exceeds paren count"}, {"(a*)*", "e:operand of * or {} possibly empty"},
      {"(a|)*", "e:operand of * or {} possibly empty"}, {"^*", "e:operand of * or {} possibly empty"},
      {"$*", "e:operand of * or {} possibly empty"}, {"(a?){2,}", "e:operand of * or {} possibly empty"},
      {"a?{2,}", ""},  // a second operator starts a literal atom
      {"()+", "e:operand of + or {} possibly empty"}, {"(b*)$1+", "e:operand of + or {} possibly empty"},
      {"a^b", "w:unexpected ^"}, {"(a)^", "w:unexpected ^"}, {"a\\|^b", "w:unexpected ^"},
      {"a$b", "w:unexpected $"}, {"a$0", "w:unexpected $"}, {"a${2}", "w:unexpected $"},
      {"\\xg", "w:invalid hex escape sequence"}, {"[\\X]", "w:invalid hex escape sequence"},
      {"\\400", "w:invalid backslash escape sequence; must be in range \\0 to \\377"},
      {"a^b$c", "w:unexpected $"},  // the last warning is kept
      {"a^b(", "e:missing )"},  // an error replaces a warning
      // quiet anchors and well-formed patterns
      {"^a", ""}, {"(^a|^b)", ""}, {"((^a))", ""}, {"x|^a", ""}, {"a$", ""}, {"(a$)", ""}, {"a$|b", ""},
      {"(a$)?", ""}, {"(a*)?", ""}, {"", ""}, {"a|", ""}, {"()", ""}, {"a*{2}", ""}, {"a{,3}", ""},
      {"a{x}", ""}, {"a{3,2}", ""}, {"a{2", ""}, {"{}]", ""},
      {"\\777", "w:invalid backslash escape sequence; must be in range \\0 to \\377"},
      {cls, ""}, {big, "e:pattern takes too much room"}, {"a{20000}", "e:pattern takes too much room"},
  };
  for (const auto& c : cases) {
    AwkPattern* p = compile(c.pattern);
    EXPECT_EQ(diag(), c.message) << "pattern " << c.pattern.substr(0, 40);
    EXPECT_EQ(p != nullptr, c.message[0] != 'e') << "pattern " << c.pattern.substr(0, 40);
    awk_ererelease(p);
  }
  // The diagnostic is cleared by the next compilation.
  awk_ererelease(compile("a**"));
  AwkPattern* p = compile("a");
  EXPECT_EQ(awk_ereerr(), nullptr);
  awk_ererelease(p);
}

// The bytes a pattern matches as a whole one-byte subject.
std::string byteSet(AwkPattern* p) {
  std::string out;
  for (int c = 0; c < 256; c++) {
    char b = char(c);
    int32_t s, e;
    if (awk_erematch(p, &b, 1, 0, 0, 0) && awk_erepatpos(&s, &e) && s == 0 && e == 1)
      out += b;
  }
  return out;
}

std::string range(int lo, int hi) {
  std::string s;
  for (int c = lo; c <= hi; c++) s += char(c);
  return s;
}

std::string allBut(const std::string& except) {
  std::string s;
  for (int c = 0; c < 256; c++)
    if (except.find(char(c)) == std::string::npos) s += char(c);
  return s;
}

struct SetCase {
  std::string pattern;
  int flags;
  std::string bytes;
};

TEST(RegexCompile, ClassesAndEscapes) {
  const std::vector<SetCase> cases = {
      {"[]a]", 0, "]a"}, {"[a-]", 0, "-a"}, {"[-a]", 0, "-a"}, {"[a-c-e]", 0, "-abce"},
      {"[^\\n]", 0, allBut("\n")}, {"[^a]", 0, allBut("a")}, {"[^]a]", 0, allBut("]a")},
      {"[^a-cx]", 0, allBut("abcx")}, {"[^\\x00-\\xffa]", 0, ""},
      {"[^b-y][a-z]", 0, ""},  // two bytes never match one
      {"[\\]]", 0, "]"}, {"[\\t-\\r]", 0, "\t\n\v\f\r"}, {".", 0, range(0, 255)}, {"\\101", 0, "A"},
      {"\\8", 0, "\x08"}, {"\\9", 0, "\x09"}, {"\\x41", 0, "A"}, {"\\X4a", 0, "J"},
      {"\\xg", 0, ""},  // x followed by g: two bytes
      {"\\x", 0, "x"}, {"\\400", 0, std::string(1, '\0')},
      {"\\a", 0, "\a"}, {"\\b", 0, "\b"}, {"\\f", 0, "\f"}, {"\\n", 0, "\n"},
      {"\\r", 0, "\r"}, {"\\t", 0, "\t"}, {"\\v", 0, "\v"},
      {"\\.", 0, "."}, {"\\/", 0, "/"}, {"\\$", 0, "$"}, {"\\\\", 0, "\\"}, {"\\q", 0, "q"},
      {"{", 0, "{"}, {"}", 0, "}"}, {"]", 0, "]"}, {"A", 1, "Aa"},
      {"[a-z]", 1, range('A', 'Z') + range('a', 'z')}, {"[^a]", 1, allBut("")},  // A lies in the complement
      {"\\xe9", 1, "\xe9"},  // no folding above 127
  };
  for (const auto& c : cases) {
    AwkPattern* p = compile(c.pattern, c.flags);
    ASSERT_NE(p, nullptr) << c.pattern;
    EXPECT_EQ(byteSet(p), c.bytes) << "pattern " << c.pattern;
    awk_ererelease(p);
  }
}

TEST(RegexCompile, PatternWithoutSource) {
  AwkPattern* q = awk_erencomp(nullptr, "a+b", 3, kReNoSource);
  ASSERT_NE(q, nullptr);
  EXPECT_EQ(q->source, nullptr);
  EXPECT_EQ(awk_ereflags(q), kReNoSource);
  EXPECT_EQ(awk_ereflags(nullptr), 0);
  awk_ererelease(q);
  awk_ererelease(nullptr);
}

// A pattern held by more than 32000 cells (array elements of one value)
// becomes permanent instead of its count wrapping and freeing it.
TEST(RegexCompile, ManyHoldersMakeAPatternPermanent) {
  AwkPattern* p = compile("x+");
  for (int i = 0; i < 70000; ++i) awk_eredup(p);
  for (int i = 0; i < 70001; ++i) awk_ererelease(p);
  EXPECT_GT(awk_erematch(p, "axx", 3, 0, 0, 0), 0);
}

}  // namespace
