// The parser: source text to syntax trees, checked as S-expressions.
#include <gtest/gtest.h>

#include "compiler/ast.h"
#include "compiler/parser.h"

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

// Source texts and their trees: precedence, statements, program items.
const Case kTrees[] = {
    {"{ x = 1 + 2 * 3 }", "(block [(expr (assign = x (binary + 1 (binary * 2 3))))])\n"},
    {"{ x = 2 ^ 3 ^ 2 }", "(block [(expr (assign = x (binary ^ 2 (binary ^ 3 2))))])\n"},
    {"{ x = -2 ^ 2 }", "(block [(expr (assign = x (unary - (binary ^ 2 2))))])\n"},
    {"{ x = 2 ^ -1 }", "(block [(expr (assign = x (binary ^ 2 (unary - 1))))])\n"},
    {"{ x = -5 }", "(block [(expr (assign = x -5))])\n"},
    {"{ x = a b c }", "(block [(expr (assign = x (concat [a b c])))])\n"},
    {"{ x = a -1 }", "(block [(expr (assign = x (binary - a 1)))])\n"},
    {"{ x = a \" \" -1 }", "(block [(expr (assign = x (concat [a (binary - \" \" 1)])))])\n"},
    {"{ x = a < b c }", "(block [(expr (assign = x (binary < a (concat [b c]))))])\n"},
    {"{ x = a ~ b && c || d }", "(block [(expr (assign = x (or (and (match ~ a b) c) d)))])\n"},
    {"{ x = y = z }", "(block [(expr (assign = x (assign = y z)))])\n"},
    {"{ x += y -= 2 }", "(block [(expr (assign += x (assign -= y 2)))])\n"},
    {"{ x = a ? b : c ? d : e }", "(block [(expr (assign = x (cond a b (cond c d e))))])\n"},
    {"{ x = !a + 1 }", "(block [(expr (assign = x (binary + (unary ! a) 1)))])\n"},
    {"{ x = $1++ }", "(block [(expr (assign = x (incdec ++ post ($ 1))))])\n"},
    {"{ x = $NF-1 }", "(block [(expr (assign = x (binary - ($ NF) 1)))])\n"},
    {"{ x = $++i }", "(block [(expr (assign = x ($ (incdec ++ pre i))))])\n"},
    {"{ x = (i, j) in a }", "(block [(expr (assign = x (in a [i j])))])\n"},
    {"{ x = k in a }", "(block [(expr (assign = x (in a [k])))])\n"},
    // A comparison or match after "k in a" takes the membership as its left side.
    {"{ x = k in a == 0 }", "(block [(expr (assign = x (binary == (in a [k]) 0)))])\n"},
    {"{ x = k in a ~ 1 }", "(block [(expr (assign = x (match ~ (in a [k]) 1)))])\n"},
    {"{ x = k in a == j in b }", "(block [(expr (assign = x (in b [(binary == (in a [k]) j)])))])\n"},
    {"{ x = a[i, j][k] }", "(block [(expr (assign = x (index (index a [i j]) [k])))])\n"},
    {"{ x = a / b / c }", "(block [(expr (assign = x (binary / (binary / a b) c)))])\n"},
    {"{ x = /a\\/b/ }", "(block [(expr (assign = x /a/b/))])\n"},
    {"{ x = /[/]/ }", "(block [(expr (assign = x /[/]/))])\n"},
    {"{ x = a /= 2 }", "(block [(expr (assign = x (assign /= a 2)))])\n"},
    {"{ x = length }", "(block [(expr (assign = x (call length)))])\n"},
    {"{ x = length($1) + f(1, 2) }",
     "(block [(expr (assign = x (binary + (call length [($ 1)]) (call f [1 2]))))])\n"},
    {"{ x = f (1) }", "(block [(expr (assign = x (concat [f (group [1])])))])\n"},
    {"{ x = 1\n+ 2 }", "(block [(expr (assign = x 1)) (expr (unary + 2))])\n"},
    {"{ x = a &&\n b }", "(block [(expr (assign = x (and a b)))])\n"},
    // A sign after $ takes the postfix with its operand; $$ gives the first
    // postfix to the inner field.
    {"{ x = $+i++ }", "(block [(expr (assign = x ($ (unary + (incdec ++ post i)))))])\n"},
    {"{ $$0++ }", "(block [(expr ($ (incdec ++ post ($ 0))))])\n"},
    {"{ $$a++++ }", "(block [(expr (incdec ++ post ($ (incdec ++ post ($ a)))))])\n"},
    // An assignment may be the right operand of && || and comparisons.
    {"{ x = a && b = 2 }", "(block [(expr (assign = x (and a (assign = b 2))))])\n"},
    {"{ x = a < b = 2 }", "(block [(expr (assign = x (binary < a (assign = b 2))))])\n"},
    {"{ x = 0.10 + 1e-3 + 0x1F }", "(block [(expr (assign = x (binary + (binary + 0.10 1e-3) 0x1F)))])\n"},
    {"{ print a, b > \"f\" }", "(block [(print > \"f\" [a b])])\n"},
    {"{ print a > b c }", "(block [(print > (concat [b c]) [a])])\n"},
    {"{ print (a > b) }", "(block [(print [(binary > a b)])])\n"},
    {"{ print(a, b) >> \"f\" }", "(block [(print >> \"f\" [a b])])\n"},
    {"{ print | \"sort\" }", "(block [(print | \"sort\")])\n"},
    {"{ printf \"%d\", 1 }", "(block [(print printf [\"%d\" 1])])\n"},
    {"{ getline }", "(block [(expr (getline _ _))])\n"},
    {"{ getline x < \"f\" }", "(block [(expr (getline < x \"f\"))])\n"},
    {"{ \"cmd\" | getline }", "(block [(expr (getline | _ \"cmd\"))])\n"},
    {"{ \"cmd\" \" -l\" | getline $2 }", "(block [(expr (getline | ($ 2) (concat [\"cmd\" \" -l\"])))])\n"},
    // What follows "cmd | getline [var]" continues the expression.
    {"{ \"c\" | getline x y }", "(block [(expr (concat [(getline | x \"c\") y]))])\n"},
    {"{ \"c\" | getline > 0 }", "(block [(expr (binary > (getline | _ \"c\") 0))])\n"},
    {"{ nextfile = 1 }", "(block [(expr (assign = nextfile 1))])\n"},
    {"{ while ((getline line < f) > 0) n++ }",
     "(block [(while (binary > (group [(getline < line f)]) 0) (expr (incdec ++ post n)))])\n"},
    {"{ if (a) b; else c }", "(block [(if a (expr b) (expr c))])\n"},
    {"{ if (a)\n b\n else\n c }", "(block [(if a (expr b) (expr c))])\n"},
    {"{ if (a) b\n c }", "(block [(if a (expr b) _) (expr c)])\n"},
    {"{ for (k in a) print k }", "(block [(forin k a (print [k]))])\n"},
    {"{ for (i = 0; i < 3; i++) ; }",
     "(block [(for (expr (assign = i 0)) (binary < i 3) (expr (incdec ++ post i)) (nop))])\n"},
    {"{ for (;;) break }", "(block [(for _ _ _ (break))])\n"},
    {"{ do x++; while (x < 3) }",
     "(block [(do (binary < x 3) (expr (incdec ++ post x)))])\n"},
    {"{ delete a[1, 2]; delete a }", "(block [(delete a [1 2]) (delete a)])\n"},
    {"{ exit 1 }", "(block [(exit 1)])\n"},
    {"{ local i, j; i = 1 }", "(block [(local [i j]) (expr (assign = i 1))])\n"},
    {"{ substr(s, 2, 1) = \"x\" }", "(block [(expr (assign = (call substr [s 2 1]) \"x\"))])\n"},
    {"{ next }", "(block [(next)])\n"},
    {"BEGIN { x = 1 }\nEND { print x }", "BEGIN (block [(expr (assign = x 1))])\nEND (block [(print [x])])\n"},
    {"/a/, /b/", "/a/ , /b/ -\n"}, {"$1 > 2 { print }", "(binary > ($ 1) 2) (block [(print)])\n"},
    {"function f(a, &b) { return a b }\n", "function f(a,&b) (block [(return (concat [a b]))])\n"},
    {"func g() { }", "function g() (block)\n"},
    {"INIT { }\nBEGINFILE { }\nENDFILE { }\nEXIT { }",
     "INIT (block)\nBEGINFILE (block)\nENDFILE (block)\nEXIT (block)\n"},
    {"NF", "NF -\n"},
};

TEST(Parser, Trees) {
  for (const Case& c : kTrees) EXPECT_EQ(parse(c.src), c.tree) << c.src;
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

}  // namespace
