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

struct Case {
  const char* src;
  const char* first;  // the first line of the report
};

const Case kMalformed[] = {
    {"{ x = }", "t.awk:1:7: error: expected an expression before '}'"},
    {"{ x = 1 +* 2 }", "t.awk:1:10: error: expected an expression before '*'"},
    {"BEGIN { print \"abc }", "t.awk:1:15: error: unterminated string"},
    {"BEGIN { print \"ab\nc\" }", "t.awk:1:15: error: newline in string"},
    {"{ x = /abc }", "t.awk:1:7: error: unterminated regular expression"},
    {"BEGIN { if (x { } }", "t.awk:1:15: error: expected ')' before '{'"},
    {"BEGIN { while x { } }", "t.awk:1:15: error: expected '(' after while before 'x'"},
    {"BEGIN { for (i = 0; i < 3 i++) x }", "t.awk:1:30: error: expected ';' in for before ')'"},
    {"BEGIN {", "t.awk:1:8: error: unexpected end of file: missing '}'"},
    {"BEGIN { x = 1 } }", "t.awk:1:17: error: expected an expression before '}'"},
    {"BEGIN\n{ x = 1 }", "t.awk:1:6: error: BEGIN must be followed by an action in braces"},
    {"function (a) { }", "t.awk:1:10: error: expected a function name before '('"},
    {"function f(a, a) { }", "t.awk:1:15: error: duplicate parameter 'a'"},
    {"function f(a { }", "t.awk:1:14: error: expected ',' or ')' in the parameter list before '{'"},
    {"function length() { }", "t.awk:1:10: error: 'length' is a reserved word and cannot name a function"},
    {"function f() { }\nfunction f() { }", "t.awk:2:10: error: function 'f' is already defined"},
    {"function NR() { }", "t.awk:1:10: error: 'NR' is a predefined variable and cannot name a function"},
    {"BEGIN { f(1) }", "t.awk:1:9: error: function 'f' is not defined"},
    {"function f() { }\nBEGIN { f = 1 }", "t.awk:2:9: error: function 'f' used as a variable"},
    {"BEGIN { return 1 }", "t.awk:1:9: error: return outside a function"},
    {"BEGIN { break }", "t.awk:1:9: error: break outside a loop"},
    {"BEGIN { continue }", "t.awk:1:9: error: continue outside a loop"},
    {"BEGIN { next }", "t.awk:1:9: error: next cannot be used in a BEGIN rule"},
    {"END { next }", "t.awk:1:7: error: next cannot be used in an END rule"},
    {"BEGIN { 1 = x }", "t.awk:1:11: error: the left side of an assignment must be a variable, field or element"},
    {"BEGIN { (x) = 1 }", "t.awk:1:13: error: cannot assign to a parenthesized expression"},
    {"BEGIN { x = substr(\"a\") }", "t.awk:1:13: error: substr takes 2 to 3 arguments"},
    {"BEGIN { x = sqrt() }", "t.awk:1:13: error: sqrt takes 1 argument"},
    {"BEGIN { x = split(s) }", "t.awk:1:13: error: split takes 2 to 3 arguments"},
    {"BEGIN { split(s, \"x\") }", "t.awk:1:18: error: argument 2 of split must be an array"},
    {"BEGIN { sub(/a/, \"b\", \"c\") }", "t.awk:1:23: error: argument 3 of sub must be a variable, field or array element"},
    {"BEGIN { printf }", "t.awk:1:9: error: printf needs a format"},
    {"BEGIN { x = (1, 2) }", "t.awk:1:13: error: a list in parentheses is only valid before 'in' or as the items of print"},
    {"BEGIN { x = y = substr(s, 1) = 2 }", "t.awk:1:30: error: a substring assignment has no value"},
    {"BEGIN { delete 1 }", "t.awk:1:16: error: expected an array name after delete before number"},
    {"BEGIN { x = 1 in 2 }", "t.awk:1:18: error: expected an array name after in before number"},
    {"BEGIN { x = a[] }", "t.awk:1:15: error: expected a subscript"},
    {"BEGIN { x = 1 @ 2 }", "t.awk:1:15: error: invalid character '@'"},
    {"BEGIN { x = `a` }", "t.awk:1:13: error: invalid character '`'"},
    {"BEGIN { ++1 }", "t.awk:1:9: error: ++ and -- need a variable, field or element"},
    {"BEGIN { x = y ? 1 }", "t.awk:1:19: error: expected ':' in a conditional expression before '}'"},
    {"BEGIN { do x++ }", "t.awk:1:16: error: expected 'while' after the body of do before '}'"},
    {"extern double f(void, int)", "t.awk:1:17: error: a parameter cannot be void"},
    {"extern foo f()", "t.awk:1:8: error: unknown C type 'foo'"},
    {"extern \"libm:cos\" double mycos(double)\nBEGIN { mycos() }",
     "t.awk:2:9: error: external function 'mycos' takes 1 argument"},
    {"static NR", "t.awk:1:8: error: 'NR' is a predefined variable and cannot name a static variable"},
    {"function f(x: bool) { }", "t.awk:1:15: error: expected a parameter type (int, float, string or array) before 'bool'"},
    {"function f(a) { local a }", "t.awk:1:10: error: 'a' is both a parameter and a local of 'f'"},
    {"BEGIN { getline x < }", "t.awk:1:21: error: expected an expression before '}'"},
    {"BEGIN { print > }", "t.awk:1:17: error: expected an expression before '}'"},
    {"{ $ }", "t.awk:1:5: error: expected an expression before '}'"},
    {"BEGIN { if (x) }", "t.awk:1:16: error: expected a statement before '}'"},
    {"function f(&NR) { }", "t.awk:1:13: error: 'NR' is a predefined variable and cannot name a parameter"},
    {"BEGIN { local FS }", "t.awk:1:15: error: 'FS' is a predefined variable and cannot name a local variable"},
};

TEST(Diagnostics, MalformedProgramsGiveLocatedMessages) {
  for (const Case& c : kMalformed) {
    bool ok = true;
    std::string text = errorsOf(c.src, &ok);
    EXPECT_FALSE(ok) << c.src;
    std::string first = text.substr(0, text.find('\n'));
    EXPECT_EQ(first, c.first) << c.src;
  }
  EXPECT_GE(sizeof kMalformed / sizeof kMalformed[0], 40u);
}

TEST(Diagnostics, SourceLineAndCaret) {
  std::string text = errorsOf("BEGIN {\n\tx = = 1\n}");
  EXPECT_EQ(text, "t.awk:2:6: error: expected an expression before '='\n \tx = = 1\n \t    ^\n");
}

TEST(Diagnostics, WarningsDoNotFail) {
  bool ok = false;
  std::string text = errorsOf("function f(a) { }\nBEGIN { f(1, 2); getline x < \"a\" \"b\"; x = 0x123456789 }", &ok);
  EXPECT_TRUE(ok);
  EXPECT_NE(text.find("t.awk:2:9: warning: function 'f' called with 2 arguments but has 1 parameter"),
            std::string::npos);
  EXPECT_NE(text.find("t.awk:2:34: warning: this is not part of the file name of getline <"), std::string::npos);
  EXPECT_NE(text.find("t.awk:2:43: warning: hex number larger than 8 digits"), std::string::npos);
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
