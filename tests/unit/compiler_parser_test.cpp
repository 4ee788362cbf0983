// The parser: source text to syntax trees, checked as S-expressions. Then
// name resolution: refused uses, command-line names, constant patterns.
#include <gtest/gtest.h>

#include "compiler/ast.h"
#include "compiler/parser.h"
#include "compiler/unit.h"

using namespace vorn::compiler;

namespace {

std::string parse(const std::string& src, std::string* errors = nullptr) {
  Program prog;
  prog.modules.resize(1);
  prog.modules[0].file = std::make_unique<SourceFile>("t.awk", src);
  Diagnostics diag;
  parseModule(prog, prog.modules[0], 0, diag);
  if (errors) *errors = diag.format();
  else EXPECT_EQ(diag.format(), "") << src;
  return dumpModule(prog.modules[0]);
}

struct Case { const char* src; const char* tree; };

// Expressions, as the right side of `x = ...`: precedence, associativity,
// and where concatenation, `in` and `$` end.
const Case kExprs[] = {
    {"1 + 2 * 3", "(binary + 1 (binary * 2 3))"}, {"2 ^ 3 ^ 2", "(binary ^ 2 (binary ^ 3 2))"},
    {"-2 ^ 2", "(unary - (binary ^ 2 2))"}, {"2 ^ -1", "(binary ^ 2 (unary - 1))"}, {"-5", "-5"},
    {"a b c", "(concat [a b c])"}, {"a -1", "(binary - a 1)"},
    {"a \" \" -1", "(concat [a (binary - \" \" 1)])"}, {"a < b c", "(binary < a (concat [b c]))"},
    {"a ~ b && c || d", "(or (and (match ~ a b) c) d)"}, {"y = z", "(assign = y z)"},
    {"a ? b : c ? d : e", "(cond a b (cond c d e))"}, {"!a + 1", "(binary + (unary ! a) 1)"},
    {"$1++", "(incdec ++ post ($ 1))"}, {"$NF-1", "(binary - ($ NF) 1)"}, {"$++i", "($ (incdec ++ pre i))"},
    {"(i, j) in a", "(in a [i j])"}, {"k in a", "(in a [k])"},
    // A comparison or match after "k in a" takes the membership as its left side.
    {"k in a == 0", "(binary == (in a [k]) 0)"}, {"k in a ~ 1", "(match ~ (in a [k]) 1)"},
    {"k in a == j in b", "(in b [(binary == (in a [k]) j)])"},
    {"a[i, j][k]", "(index (index a [i j]) [k])"}, {"a / b / c", "(binary / (binary / a b) c)"},
    {"/a\\/b/", "/a/b/"}, {"/[/]/", "/[/]/"}, {"a /= 2", "(assign /= a 2)"}, {"length", "(call length)"},
    {"length($1) + f(1, 2)", "(binary + (call length [($ 1)]) (call f [1 2]))"},
    {"f (1)", "(concat [f (group [1])])"}, {"a &&\n b", "(and a b)"},
    // A sign after $ takes the postfix with its operand.
    {"$+i++", "($ (unary + (incdec ++ post i)))"},
    // An assignment may be the right operand of && || and comparisons.
    {"a && b = 2", "(and a (assign = b 2))"}, {"a < b = 2", "(binary < a (assign = b 2))"},
    {"0.10 + 1e-3 + 0x1F", "(binary + (binary + 0.10 1e-3) 0x1F)"},
};

// Statements, as the body of `{ ... }`, getline and print redirections
// among them.
const Case kStatements[] = {
    {"x = 1\n+ 2", "(expr (assign = x 1)) (expr (unary + 2))"},
    {"x += y -= 2", "(expr (assign += x (assign -= y 2)))"},
    // $$ gives the first postfix to the inner field.
    {"$$0++", "(expr ($ (incdec ++ post ($ 0))))"},
    {"$$a++++", "(expr (incdec ++ post ($ (incdec ++ post ($ a)))))"},
    {"print a, b > \"f\"", "(print > \"f\" [a b])"}, {"print a > b c", "(print > (concat [b c]) [a])"},
    {"print (a > b)", "(print [(binary > a b)])"}, {"print(a, b) >> \"f\"", "(print >> \"f\" [a b])"},
    {"print | \"sort\"", "(print | \"sort\")"}, {"printf \"%d\", 1", "(print printf [\"%d\" 1])"},
    {"getline", "(expr (getline _ _))"}, {"getline x < \"f\"", "(expr (getline < x \"f\"))"},
    {"\"cmd\" | getline", "(expr (getline | _ \"cmd\"))"},
    {"\"cmd\" \" -l\" | getline $2", "(expr (getline | ($ 2) (concat [\"cmd\" \" -l\"])))"},
    // What follows "cmd | getline [var]" continues the expression.
    {"\"c\" | getline x y", "(expr (concat [(getline | x \"c\") y]))"},
    {"\"c\" | getline > 0", "(expr (binary > (getline | _ \"c\") 0))"},
    {"nextfile = 1", "(expr (assign = nextfile 1))"},
    {"while ((getline line < f) > 0) n++",
     "(while (binary > (group [(getline < line f)]) 0) (expr (incdec ++ post n)))"},
    {"if (a) b; else c", "(if a (expr b) (expr c))"}, {"if (a)\n b\n else\n c", "(if a (expr b) (expr c))"},
    {"if (a) b\n c", "(if a (expr b) _) (expr c)"}, {"for (k in a) print k", "(forin k a (print [k]))"},
    {"for (i = 0; i < 3; i++) ;",
     "(for (expr (assign = i 0)) (binary < i 3) (expr (incdec ++ post i)) (nop))"},
    {"for (;;) break", "(for _ _ _ (break))"},
    {"do x++; while (x < 3)", "(do (binary < x 3) (expr (incdec ++ post x)))"},
    {"delete a[1, 2]; delete a", "(delete a [1 2]) (delete a)"}, {"exit 1", "(exit 1)"},
    {"local i, j; i = 1", "(local [i j]) (expr (assign = i 1))"}, {"next", "(next)"},
    {"substr(s, 2, 1) = \"x\"", "(expr (assign = (call substr [s 2 1]) \"x\"))"},
};

// Whole programs: rules, patterns and functions.
const Case kPrograms[] = {
    {"BEGIN { x = 1 }\nEND { print x }",
     "BEGIN (block [(expr (assign = x 1))])\nEND (block [(print [x])])\n"},
    {"/a/, /b/", "/a/ , /b/ -\n"}, {"$1 > 2 { print }", "(binary > ($ 1) 2) (block [(print)])\n"},
    {"function f(a, &b) { return a b }\n", "function f(a,&b) (block [(return (concat [a b]))])\n"},
    {"func g() { }", "function g() (block)\n"}, {"NF", "NF -\n"},
    {"INIT { }\nBEGINFILE { }\nENDFILE { }\nEXIT { }",
     "INIT (block)\nBEGINFILE (block)\nENDFILE (block)\nEXIT (block)\n"},
};

TEST(Parser, Trees) {
  for (const Case& c : kExprs) {
    const std::string src = "{ x = " + std::string(c.src) + " }";
    EXPECT_EQ(parse(src), "(block [(expr (assign = x " + std::string(c.tree) + "))])\n") << src;
  }
  for (const Case& c : kStatements) {
    const std::string src = "{ " + std::string(c.src) + " }";
    EXPECT_EQ(parse(src), "(block [" + std::string(c.tree) + "])\n") << src;
  }
  for (const Case& c : kPrograms) EXPECT_EQ(parse(c.src), c.tree) << c.src;
}

TEST(Parser, ExternAndStatic) {
  Program prog;
  prog.modules.resize(1);
  prog.modules[0].file = std::make_unique<SourceFile>(
      "t.awk", "extern \"libm.so.6:cos\" double mycos(double)\nextern unsigned long f(char*, int*, void*)\n"
               "extern int g(void)\nstatic x, y\nstatic function h() { }\n");
  Diagnostics diag;
  ASSERT_TRUE(parseModule(prog, prog.modules[0], 0, diag)) << diag.format();
  const Module& m = prog.modules[0];
  ASSERT_EQ(m.externs.size(), 3u);
  EXPECT_EQ(m.externs[0].cname, "libm.so.6:cos");
  EXPECT_EQ(m.externs[0].returnType, 4);
  EXPECT_EQ(m.externs[0].paramTypes, std::vector<int>{4});
  EXPECT_EQ(m.externs[1].cname, ":f");
  EXPECT_EQ(m.externs[1].returnType, 3 | 0x20);
  EXPECT_EQ(m.externs[1].paramTypes, (std::vector<int>{7, 18, 8}));
  EXPECT_TRUE(m.externs[2].paramTypes.empty());
  ASSERT_EQ(m.statics.size(), 2u);
  EXPECT_EQ(m.statics[1].name, "y");
  ASSERT_EQ(m.functions.size(), 1u);
  EXPECT_TRUE(m.functions[0]->isStatic);
}

TEST(Parser, DeepNestingIsRefusedNotCrashed) {
  std::string longSum = "{ x = 1";
  for (int i = 0; i < 5000; ++i) longSum += " + 1";
  for (const std::string& src : {"{ x = " + std::string(100000, '(') + "1" + std::string(100000, ')') + " }",
                                 longSum + " }"}) {
    std::string errors;
    parse(src, &errors);
    EXPECT_NE(errors.find("nested too deeply"), std::string::npos);
  }
}

// The messages joined by " | "; constant texts and globals on request.
std::string resolve(const std::string& src, std::vector<std::string> names = {},
                    std::vector<std::string>* texts = nullptr, std::vector<std::string>* globals = nullptr) {
  Program prog;
  prog.modules.resize(1);
  prog.modules[0].file = std::make_unique<SourceFile>("t.awk", src);
  Diagnostics diag;
  EXPECT_TRUE(parseModule(prog, prog.modules[0], 0, diag)) << diag.format();
  Unit u(prog, diag);
  u.declaredNames = &names;
  resolveProgram(u);
  for (const Node& n : prog.nodes)
    if (texts && (n.kind == NK::Regex || n.kind == NK::Str)) texts->push_back(n.text);
  if (globals) *globals = u.globalOrder;
  std::string out;
  for (const Diagnostic& d : diag.all()) out += (out.empty() ? "" : " | ") + d.text;
  return out;
}

TEST(Resolve, Messages) {
  const std::pair<const char*, const char*> cases[] = {
      {"static s\nBEGIN { s[1] = 1; s++ }", "'s' is used as a scalar here and as an array at t.awk:2:9"},
      {"function f(a) { a[1] } BEGIN { f(y); print length(y); t = table(); print t[1] }", ""},
      {"BEGIN { substr(1); fflush() }", "substr takes 2 to 3 arguments"},
      {"BEGIN { s = \"[[:alpha:]]\" }",
       "[:class:] forms work in constant patterns only; used as a dynamic regular expression this "
       "string will not match as it reads"},
  };
  for (const auto& [src, messages] : cases) EXPECT_EQ(resolve(src), messages) << src;
}

TEST(Resolve, CommandLineNamesBecomeGlobals) {
  std::vector<std::string> globals;
  EXPECT_EQ(resolve("function f() { } BEGIN { used = 1 }", {"unused", "used", "NR", "ARGV", "f"}, nullptr, &globals), "");
  EXPECT_EQ(globals, (std::vector<std::string>{"unused", "used"}));
}

TEST(Resolve, ConstantPatternsLoseTheirClasses) {
  std::vector<std::string> texts;
  resolve("/[[:digit:]]x/ { split($0, a, \"[^[:space:]]\"); x = $0 ~ \"[[:upper:]]\" }", {}, &texts);
  EXPECT_EQ(texts, (std::vector<std::string>{"[0-9]x", "[^ \\t\\n\\v\\f\\r]", "[A-Z]"}));
}

}  // namespace
