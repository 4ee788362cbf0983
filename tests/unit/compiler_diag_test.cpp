// Diagnostics: malformed programs give located messages (file, line,
// column, the source line and a caret), every error of a file is reported,
// and no input crashes the compiler.
#include <gtest/gtest.h>

#include <random>

#include "compiler/compile.h"

using namespace vorn::compiler;

namespace {

std::string errorsOf(const std::string& src, bool* ok = nullptr) {
  Diagnostics diag;
  CompileOutput out;
  bool r = compileProgram({{"t.awk", src}}, {}, diag, out);
  if (ok) *ok = r;
  return diag.format();
}

// Sources and the first line of their report (more are in tests/cases/errors).
const struct { const char* src; const char* first; } kMalformed[] = {
    {"BEGIN { print \"abc }", "t.awk:1:15: error: unterminated string"},
    {"BEGIN { if (x { } }", "t.awk:1:15: error: expected ')' before '{'"},
    {"BEGIN { while x { } }", "t.awk:1:15: error: expected '(' after while before 'x'"},
    {"BEGIN { x = sqrt() }", "t.awk:1:13: error: sqrt takes 1 argument"},
    {"BEGIN { x = split(s) }", "t.awk:1:13: error: split takes 2 to 3 arguments"},
    {"BEGIN { x = y = substr(s, 1) = 2 }", "t.awk:1:30: error: a substring assignment has no value"},
    {"BEGIN { x = 1 in 2 }", "t.awk:1:18: error: expected an array name after in before number"},
    {"BEGIN { x = `a` }", "t.awk:1:13: error: invalid character '`'"},
    {"BEGIN { ++1 }", "t.awk:1:9: error: ++ and -- need a variable, field or element"},
    {"extern \"libm:cos\" double mycos(double)\nBEGIN { mycos() }",
     "t.awk:2:9: error: external function 'mycos' takes 1 argument"},
    {"static NR", "t.awk:1:8: error: 'NR' is a predefined variable and cannot name a static variable"},
    {"function f(a) { local a }", "t.awk:1:10: error: 'a' is both a parameter and a local of 'f'"},
    {"BEGIN { getline x < }", "t.awk:1:21: error: expected an expression before '}'"},
};

TEST(Diagnostics, MalformedProgramsGiveLocatedMessages) {
  for (const auto& c : kMalformed) {
    bool ok = true;
    std::string text = errorsOf(c.src, &ok);
    EXPECT_FALSE(ok) << c.src;
    std::string first = text.substr(0, text.find('\n'));
    EXPECT_EQ(first, c.first) << c.src;
  }
}

TEST(Diagnostics, SourceLineAndCaret) {
  std::string text = errorsOf("BEGIN {\n\tx = = 1\n}");
  EXPECT_EQ(text, "t.awk:2:6: error: expected an expression before '='\n \tx = = 1\n \t    ^\n");
}

// The parser's warning on line 2 is reported before the resolver's on line
// 1, yet the listing follows the source; files keep the order in which
// they first drew a message.
TEST(Diagnostics, MessagesAreListedInSourceOrder) {
  Diagnostics diag;
  CompileOutput out;
  bool ok = compileProgram({{"a.awk", "function f(a) { }\nBEGIN { f(1, 2) }\nBEGIN { x = 0x123456789 }"},
                            {"b.awk", "BEGIN { y = 0x123456789; f(3, 4) }"}},
                           {}, diag, out);
  EXPECT_TRUE(ok);
  std::string text = diag.format();
  size_t at = 0;
  for (const char* m : {"a.awk:2:9: warning: function 'f'", "a.awk:3:13: warning: hex number",
                        "b.awk:1:13: warning: hex number", "b.awk:1:26: warning: function 'f'"}) {
    at = text.find(m, at);
    ASSERT_NE(at, std::string::npos) << m << " in order in\n" << text;
  }
}

// Running out of function or global gids is said once, where it happens,
// not again for every later name.
TEST(Diagnostics, ExhaustedGidRangesAreReportedOnce) {
  std::string fns, vars = "BEGIN {\n";
  for (int i = 0; i < 2010; ++i) fns += "function f" + std::to_string(i) + "() { }\n";
  for (int i = 0; i < 2000; ++i) vars += " v" + std::to_string(i) + " = 1\n";
  vars += "}\n";
  for (const auto& [src, text] : {std::pair{fns, std::string("t.awk:2001:10: error: too many functions (at most 2000)")},
                                  std::pair{vars, std::string("t.awk:1984:2: error: too many global variables (at most 1982)")}}) {
    bool ok = true;
    std::string all = errorsOf(src, &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(all.substr(0, all.find('\n')), text);
    EXPECT_EQ(all.find("error:", all.find("error:") + 1), std::string::npos) << all.substr(0, 400);
  }
}

// Mutations of a valid program: whatever comes out, the compiler answers
// with an image or messages, never a crash or a hang.
TEST(Diagnostics, MutatedProgramsNeverCrash) {
  const std::string base =
      "function f(a, &b,   c) { local t; for (k in a) { t = t k; b[k]++ } return t }\n"
      "BEGIN { FS = \":\"; x[1] = 2; print f(x, y) > \"/dev/null\"; while ((getline l < \"f\") > 0) n++ }\n"
      "/re[a-z]+/, $3 ~ \"x\" { $2 = substr($1, 2) \"-\" NR; printf(\"%s\\n\", $0) | \"cat\" }\n"
      "END { if (n) exit n; else { delete x; do n--; while (n > 0) } }\n";
  const char alphabet[] = "{}()[];,\n\"/\\$+-*^!<>|&?:=~ abc1.e0x";
  std::mt19937 rng(12345);
  for (int iter = 0; iter < 3000; ++iter) {
    std::string s = base;
    int edits = 1 + int(rng() % 6);
    for (int e = 0; e < edits; ++e) {
      size_t pos = rng() % (s.size() + 1);
      switch (rng() % 3) {
        case 0: s.insert(pos, 1, alphabet[rng() % (sizeof alphabet - 1)]); break;
        case 1: if (pos < s.size()) s.erase(pos, 1 + rng() % 4); break;
        default: if (pos < s.size()) s[pos] = char(rng() % 256); break;
      }
    }
    Diagnostics diag;
    CompileOutput out;
    bool ok = compileProgram({{"m.awk", s}}, {}, diag, out);
    EXPECT_EQ(ok, diag.errorCount() == 0);
    if (ok) {
      EXPECT_FALSE(out.image.empty());
    }
  }
}

}  // namespace
