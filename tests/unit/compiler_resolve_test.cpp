// Name resolution: what names mean, which uses are refused, and the
// rewriting of constant patterns on the way.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "compiler/parser.h"
#include "compiler/unit.h"

using namespace vorn::compiler;

namespace {

struct Resolved {
  Program prog;
  Diagnostics diag;
  std::unique_ptr<Unit> unit;
  std::vector<std::string> declared;

  explicit Resolved(const std::string& src, std::vector<std::string> names = {}) : declared(std::move(names)) {
    prog.modules.resize(1);
    prog.modules[0].file = std::make_unique<SourceFile>("t.awk", src);
    EXPECT_TRUE(parseModule(prog, prog.modules[0], 0, diag)) << diag.format();
    unit = std::make_unique<Unit>(prog, diag);
    unit->declaredNames = &declared;
    resolveProgram(*unit);
  }
  // Every message's text, joined by " | ".
  std::string messages() const {
    std::string out;
    for (const Diagnostic& d : diag.all()) out += (out.empty() ? "" : " | ") + d.text;
    return out;
  }
  // Every node of the program, depth first.
  void each(const std::function<void(const Node&)>& fn) const {
    for (const Node& n : prog.nodes) fn(n);
  }
};

struct MessageCase {
  const char* src;
  const char* messages;
};

const MessageCase kMessages[] = {
    {"BEGIN { x = 1; x[2] = 3 }", "'x' is used as an array here and as a scalar at t.awk:1:9"},
    {"BEGIN { a[1] = 1 }\nEND { print a }", "'a' is used as a scalar here and as an array at t.awk:1:9"},
    {"static s\nBEGIN { s[1] = 1; s++ }", "'s' is used as a scalar here and as an array at t.awk:2:9"},
    {"function f(a) { a[1] = 1 } BEGIN { f(y); print length(y); split(\"\", y) }", ""},
    {"BEGIN { t = table(\"a\", 1); print t[\"a\"] }", ""},
    {"function f() { } BEGIN { f = 1 }", "function 'f' used as a variable"},
    {"function f(NR) { }", "'NR' is a predefined variable and cannot name a parameter"},
    {"BEGIN { g() }", "function 'g' is not defined"},
    {"BEGIN { substr(1) }", "substr takes 2 to 3 arguments"},
    {"BEGIN { fflush(); length() }", ""},
    {"function f(a, b) { } BEGIN { f(1, 2, 3) }", "function 'f' called with 3 arguments but has 2 parameters"},
    {"BEGIN { s = \"[[:alpha:]]\" }",
     "[:class:] forms work in constant patterns only; used as a dynamic regular expression this string "
     "will not match as it reads"},
    {"BEGIN { s = \"[:alpha]\"; sub(\"[[:alpha:]]\", \"x\", s) }", ""},
};

TEST(Resolve, Messages) {
  for (const MessageCase& c : kMessages) EXPECT_EQ(Resolved(c.src).messages(), c.messages) << c.src;
}

TEST(Resolve, WhatNamesMean) {
  Resolved r("function f(p) { local l; return p l g NR ARGC }");
  ASSERT_EQ(r.messages(), "");
  std::map<std::string, VarKind> kinds;
  r.each([&](const Node& n) {
    if (n.kind == NK::Var) kinds[n.text] = n.var;
  });
  EXPECT_EQ(kinds["p"], VarKind::Param);
  EXPECT_EQ(kinds["l"], VarKind::Local);
  EXPECT_EQ(kinds["g"], VarKind::Global);
  EXPECT_EQ(kinds["NR"], VarKind::Special);
  EXPECT_EQ(kinds["ARGC"], VarKind::Global);
}

TEST(Resolve, CommandLineNamesBecomeGlobals) {
  Resolved r("function f() { } BEGIN { used = 1 }", {"unused", "used", "NR", "ARGV", "f"});
  EXPECT_EQ(r.messages(), "");
  EXPECT_EQ(r.unit->globalOrder, (std::vector<std::string>{"unused", "used"}));
}

TEST(Resolve, ConstantPatternsLoseTheirClasses) {
  Resolved r("/[[:digit:]]x/ { n = split($0, a, \"[^[:space:]]\"); x = $0 ~ \"[[:upper:]]\" }");
  std::vector<std::string> patterns;
  r.each([&](const Node& n) {
    if (n.kind == NK::Regex || n.kind == NK::Str) patterns.push_back(n.text);
  });
  EXPECT_EQ(patterns, (std::vector<std::string>{"[0-9]x", "[^ \\t\\n\\v\\f\\r]", "[A-Z]"}));
}

}  // namespace
