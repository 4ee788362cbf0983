// The lexer, the escapes it shares with command-line assignments, and numeric
// constants, which must scan exactly as the run-time's scanner does.
#include <gtest/gtest.h>

#include <cmath>

#include "compiler/lexer.h"
#include "compiler/numlit.h"
#include "compiler/tools.h"

using namespace vorn::compiler;

namespace {

// Tokens as kind names (texts in brackets), then the diagnostics.
std::string lex(const std::string& src) {
  SourceFile file("t.awk", src);
  Diagnostics diag;
  Lexer lx(file, diag);
  std::string out;
  for (Token t = lx.next(); t.kind != Tok::End && t.kind != Tok::Error; t = lx.next()) {
    out += std::string(out.empty() ? "" : " ") + (t.kind == Tok::FuncName ? "call" : tokName(t.kind));
    if (t.kind == Tok::Name || t.kind == Tok::FuncName || t.kind == Tok::Number || t.kind == Tok::String)
      out += "[" + t.text + "]";
  }
  for (const Diagnostic& d : diag.all()) out += " | " + d.text;
  return out;
}

TEST(Lexer, Tokens) {
  const std::pair<const char*, const char*> cases[] = {
      {"x++ + ++y", "name[x] '++' '+' '++' name[y]"},
      {"a-=1;b^=2**3", "name[a] '-=' number[1] ';' name[b] '^=' number[2] '^' number[3]"},
      {"f(x) g (y)", "call[f] '(' name[x] ')' name[g] '(' name[y] ')'"},
      {"x >> y | z && !w", "name[x] '>>' name[y] '|' name[z] '&&' '!' name[w]"},
      {"\"a\\tb\\x41\\101\\q\\/\"", "string[a\tbAA\\q/]"},
      {"\"line\nx", "string[line] newline name[x] | newline in string"},
  };
  for (const auto& [src, tokens] : cases) EXPECT_EQ(lex(src), tokens) << src;
}

TEST(Lexer, CommandLineAssignmentsDecodeEscapes) {
  const std::pair<const char*, const char*> cases[] = {
      {"OFS=\\t", "OFS|OFS=\t"}, {"s=a\\nb\\\\c\\.", "s|s=a\nb\\c\\."}, {"1x=2", ""}, {"a-b=2", ""}};
  for (const auto& [arg, want] : cases) {
    std::string name, decoded;
    std::string got = commandAssignment(arg, name, decoded) ? name + "|" + decoded : "";
    EXPECT_EQ(got, want) << arg;
  }
}

const struct { const char* text; bool numeric, isInt; double value; int decimals; } kNumbers[] = {
    {"12", true, true, 12, 0}, {" 12", true, true, 12, 0}, {"12 ", false, true, 12, 0},
    {"12abc", false, true, 12, 0}, {"123456789", true, true, 123456789, 0},
    {"1234567890", true, false, 1234567890, 0}, {"000000000123456789", true, true, 123456789, 0},
    {"3.50", true, false, 3.5, 2}, {"0.10", true, false, 0.1, 2}, {"2,5", true, false, 2.5, 1},
    {"1e-3", true, false, 0.001, 3}, {"1.5e2", true, false, 150, 0}, {"1.25e1", true, false, 12.5, 1},
    {"1e5", true, false, 100000, 0}, {".", true, false, 0, 0}, {"-.", true, false, 0, 0},
    {"-12", true, true, -12, 0}, {"+7", true, true, 7, 0}, {"abc", false, true, 0, 0},
    {"", false, true, 0, 0}, {"1e", false, false, 1, 0}, {"1..2", false, false, 1, 0},
    {"0x1F", true, true, 31, 0}, {"0x0", false, true, 0, 0}, {"0x", false, true, 0, 0},
    {"0xFFFFFFFF", true, true, -1, 0}, {"-0x10", true, true, -16, 0},
    {"0x123456789", false, true, 0x23456789, 0}, {"1e400", false, false, HUGE_VAL, 0},
    {"5.", true, false, 5, 0},
    // The count stops at the unlimited 400, as the run-time's scanner does
    // (the loader refuses constants that carry more).
    {"1.5e-390", false, false, 0, 391}, {"1e-500", false, false, 0, 400},
    {"757777377777771e-37777", false, false, 0, 400},
};

TEST(NumberScan, MatchesTheRunTimeScanner) {
  for (const auto& c : kNumbers) {
    SCOPED_TRACE(c.text);
    auto r = scanNumber(c.text);
    EXPECT_EQ(r.numeric, c.numeric);
    EXPECT_EQ(r.isInt, c.isInt);
    if (c.isInt) {
      EXPECT_EQ(r.intValue, int32_t(c.value));
    } else {
      EXPECT_DOUBLE_EQ(r.floatValue, c.value);
      EXPECT_EQ(r.decimals, c.decimals);
    }
  }
}

TEST(NumberScan, Warnings) {
  EXPECT_TRUE(scanNumber("0x123456789").hexTooLong);
  EXPECT_FALSE(scanNumber("0x12345678").hexTooLong);
  EXPECT_TRUE(scanNumber("1234567890123456.5").tooManyDigits);
  EXPECT_FALSE(scanNumber("1000000000000000000").tooManyDigits);  // trailing zeros do not count
  EXPECT_TRUE(scanNumber("1e-400").outOfRange);
}

}  // namespace
