// Start-up through the real vrun binary, with programs assembled by hand:
// ARGV, ARGC and ARGI from operands and options, and ENV/ENVIRON.
#include <gtest/gtest.h>

#include <functional>

#include "image/builtins.h"
#include "runtime_helpers.h"

using namespace vorn::image;
using rtest::Asm;

namespace {

// Program-building shorthands over one writer.
struct Prog {
  ImageWriter w;
  rtest::TempDir dir;
  int nextGlobal = 8000 + kPredefinedCount;

  Prog() { w.addModule("prog.awk"); }

  // A program global reachable by name (for -v and name=value operands).
  int global(const std::string& name) {
    int gid = nextGlobal++;
    w.addSymbol(name, rtest::record(symkind::kGlobal, gid, {SymbolDefinition::make(defkind::kGlobal, 0, gid, 1)}));
    w.setGlobalCount(nextGlobal - 8000);
    return gid;
  }

  void print(Asm& a, const std::function<void(Asm&)>& push) {
    a.op(Op::op_pushslot);
    push(a);
    a.op(Op::op_bcall).p(1, 1).s(slot::b_print).op(Op::op_pop);
  }
  void printGlobal(Asm& a, int gid) { print(a, [gid](Asm& b) { b.op(Op::op_gpush).g(gid); }); }
  void printElement(Asm& a, int arrayGid, const std::string& key) {
    uint32_t k = w.addString(key);
    print(a, [=](Asm& b) { b.op(Op::op_gpusharr).g(arrayGid).op(Op::op_pushs).a(k).op(Op::op_aget); });
  }

  // Writes the image whose BEGIN is `begin` (in module 0, prog.awk); its path.
  std::string save(Asm& begin) {
    w.setFunction(1000, begin.op(Op::op_ret).function(0, 0, ";", 0));
    w.setRootGid(root::kBegin1Function, 1000);
    std::string path = dir / "prog.ae";
    rtest::writeBytes(path, w.build());
    return path;
  }
};

TEST(Startup, OptionsAndOperands) {
  struct Case { std::vector<std::string> args; std::string out, err; } cases[] = {  // out: ARGC, ARGI,
      // ARGV[1..4], x, a, b
      {{"-v", "x=1", "-F:", "-w", "file", "a=1", "--", "b"}, "5\n1\nfile\na=1\n--\nb\n1\n\n\n", ""},
      {{"a=1", "b=2", "--", "file"}, "2\n1\nfile\n\n\n\n\n1\n2\n", ""},
      {{"-vx=7", "a=1", "file", "--"}, "4\n1\na=1\nfile\n--\n\n7\n\n\n", ""},
      {{"-v"}, "1\n1\n\n\n\n\n\n\n\n", "prog: warning: Invalid -v flag\n"},
      {{"-w", "-v"}, "1\n1\n\n\n\n\n\n\n\n", ""},
      {{"-x", "-v", "x=1"}, "4\n1\n-x\n-v\nx=1\n\n\n\n\n", ""},
      {{"-v", "nosuch=1"}, "1\n1\n\n\n\n\n\n\n\n",
       "prog: warning: assignment to variable 'nosuch' ignored.\n"},
      {{"-v", "novalue"}, "1\n1\n\n\n\n\n\n\n\n",
       "prog: warning: assignment to variable 'novalue' ignored.\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    Prog p;
    Asm prog;
    prog.op(Op::op_line).u(1);
    for (int g : {predef::g_ARGC, predef::g_ARGI}) p.printGlobal(prog, g);
    for (int i = 0; i < 5; ++i) p.printElement(prog, predef::g_ARGV, std::to_string(i));
    for (const char* name : {"x", "a", "b"}) p.printGlobal(prog, p.global(name));
    std::string path = p.save(prog);
    std::vector<std::string> args{path};
    args.insert(args.end(), c.args.begin(), c.args.end());
    auto r = rtest::run(rtest::vrun(), args);
    std::string argv0 = path;
    for (char& ch : argv0) ch = ch == '/' ? '\\' : char(std::tolower(static_cast<unsigned char>(ch)));
    EXPECT_EQ(r.status, 0) << r.err;
    // ARGV[0] is the image path in its fixed form, after ARGC and ARGI.
    std::string expected = c.out;
    expected.insert(expected.find('\n', expected.find('\n') + 1) + 1, argv0 + "\n");
    EXPECT_EQ(r.out, expected);
    EXPECT_EQ(r.err, c.err);
  }
}

TEST(Startup, EnvAndEnvironShareOneTable) {
  Prog p;
  Asm a;
  a.op(Op::op_line).u(1);
  p.printElement(a, predef::g_ENVIRON, "FOO");
  p.printElement(a, predef::g_ENV, "FOO");
  // ENV["NEW"] = "v", then read it through ENVIRON.
  uint32_t v = p.w.addString("v"), key = p.w.addString("NEW"), noeq = p.w.addString("NOEQ");
  a.op(Op::op_pushs).a(v).op(Op::op_gpusharr).g(predef::g_ENV).op(Op::op_pushs).a(key).op(Op::op_aset);
  p.printElement(a, predef::g_ENVIRON, "NEW");
  p.print(a, [=](Asm& b) { b.op(Op::op_gpusharr).g(predef::g_ENVIRON).op(Op::op_pushs).a(noeq).op(Op::op_in); });
  p.printElement(a, predef::g_ENVIRON, "EQ");
  std::vector<std::string> env{"FOO=bar=baz", "NOEQ", "EQ="};
  auto r = rtest::run(rtest::vrun(), {p.save(a)}, &env);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "bar=baz\nbar=baz\nv\n0\n\n");
}

}  // namespace
