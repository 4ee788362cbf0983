// The lexer, and the escapes it shares with command-line assignments.
#include <gtest/gtest.h>

#include "compiler/lexer.h"
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

}  // namespace
