// Name resolution: refused uses, command-line names, constant patterns.
#include <gtest/gtest.h>

#include "compiler/parser.h"
#include "compiler/unit.h"

using namespace vorn::compiler;

namespace {

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
