// The lexer: source text to tokens, and the escapes it shares with the
// command line's assignments.
#include <gtest/gtest.h>

#include "compiler/escapes.h"
#include "compiler/lexer.h"
#include "compiler/tools.h"

using namespace vorn::compiler;

namespace {

// Every token as its kind name, with the text of names, numbers, strings
// and builtins in brackets; then the diagnostics, if any.
std::string lex(const std::string& src) {
  SourceFile file("t.awk", src);
  Diagnostics diag;
  Lexer lx(file, diag);
  std::string out;
  for (Token t = lx.next(); t.kind != Tok::End; t = lx.next()) {
    if (!out.empty()) out += ' ';
    out += t.kind == Tok::FuncName ? "call" : tokName(t.kind);
    if (t.kind == Tok::Name || t.kind == Tok::FuncName || t.kind == Tok::Number ||
        t.kind == Tok::String || t.kind == Tok::Builtin)
      out += "[" + t.text + "]";
    if (t.kind == Tok::Error) break;
  }
  for (const Diagnostic& d : diag.all()) out += " | " + d.text;
  return out;
}

struct LexCase {
  const char* src;
  const char* tokens;
};

const LexCase kTokens[] = {
    {"x++ + ++y", "name[x] '++' '+' '++' name[y]"},
    {"a-=1;b^=2**3", "name[a] '-=' number[1] ';' name[b] '^=' number[2] '^' number[3]"},
    {"f(x) g (y)", "call[f] '(' name[x] ')' name[g] '(' name[y] ')'"},
    {"length substr(s)", "builtin function name[length] builtin function name[substr] '(' name[s] ')'"},
    {"x >> y | z", "name[x] '>>' name[y] '|' name[z]"},
    {"a && b || !c", "name[a] '&&' name[b] '||' '!' name[c]"},
    {"0x1F 1e-3 .5 10", "number[0x1F] number[1e-3] number[.5] number[10]"},
    {"# note\nx", "newline name[x]"},
    {"a \\\n b", "name[a] name[b]"},
    {"BEGIN getline in", "BEGIN getline in"},
    {"\"a\\tb\\x41\\101\\q\\/\"", "string[a\tbAA\\q/]"},
    {"\"open", "string[open] | unterminated string"},
    {"\"line\nx", "string[line] newline name[x] | newline in string"},
};

TEST(Lexer, Tokens) {
  for (const LexCase& c : kTokens) EXPECT_EQ(lex(c.src), c.tokens) << c.src;
}

TEST(Lexer, EscapesOfCommandLineAssignments) {
  struct {
    const char* arg;
    bool assignment;
    const char* name;
    const char* decoded;
  } const cases[] = {
      {"OFS=\\t", true, "OFS", "OFS=\t"},
      {"s=a\\nb\\\\c\\.", true, "s", "s=a\nb\\c\\."},
      {"_x1=", true, "_x1", "_x1="},
      {"1x=2", false, "", ""},
      {"a-b=2", false, "", ""},
      {"=2", false, "", ""},
      {"file.txt", false, "", ""},
  };
  for (const auto& c : cases) {
    std::string name, decoded;
    EXPECT_EQ(commandAssignment(c.arg, name, decoded), c.assignment) << c.arg;
    if (!c.assignment) continue;
    EXPECT_EQ(name, c.name);
    EXPECT_EQ(decoded, c.decoded);
  }
  EXPECT_EQ(decodeEscapes("\\"), "\\");
  EXPECT_EQ(decodeEscapes("\\x"), "\\x");
}

}  // namespace
