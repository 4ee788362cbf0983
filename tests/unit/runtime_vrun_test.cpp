// The run-time as a command: how it finds and loads its image, what it says
// when it cannot, and its start-up with programs assembled by hand: ARGV,
// ARGC and ARGI from operands and options, and ENV/ENVIRON. Every case runs
// the real vrun binary (path in $VRUN).
#include <gtest/gtest.h>

#include <functional>

#include "image/builtins.h"
#include "runtime_helpers.h"

using namespace vorn::image;
using rtest::Asm;

namespace {

TEST(Vrun, NoArgumentPrintsBannerAndUsage) {
  auto r = rtest::run(rtest::vrun(), {});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err.rfind("vrun ", 0), 0u) << r.err;
  EXPECT_NE(r.err.find("\nvrun: fatal error: Expecting filename.ae as first program argument\n"), r.err.npos)
      << r.err;
}

struct BadImage {
  const char* name;
  const char* file;                                     // name in the temp dir
  std::function<void(std::vector<uint8_t>&)> damage;    // null: file not written
  const char* message;                                  // %s = the path
};

const char kOld[] = "vrun: fatal error: Invalid or old version awk program file: %s\n";
const char kShort[] = "vrun: fatal error: (3) error reading file %s\n";
const BadImage kBad[] = {
    {"missing file", "none.ae", nullptr, "vrun: fatal error: Can not open file '%s'\n"},
    {"not an image", "text.ae", [](auto& img) { img.assign(2000, 'a'); }, kOld},
    {"cut inside the root record", "short.ae", [](auto& img) { img.resize(1000); }, kShort},
    {"cut inside segment 0", "short0.ae", [](auto& img) { img.resize(kRootSize + 3); }, kShort},
    {"wrong magic", "magic.ae", [](auto& img) { img[0] ^= 1; }, kOld},
    {"wrong version", "version.ae", [](auto& img) { img[7] ^= 1; }, kOld},
    {"segment count above 600", "count.ae",
     [](auto& img) { putBe32(img.data() + root::kSegmentCount, 601); }, kOld},
    {"negative segment size", "negsize.ae",
     [](auto& img) { putBe16(img.data() + root::kSegmentSizes, 0xFFF0); }, kOld},
    {"not a plain image, no trailer", "image.bin", [](auto& img) { img.resize(2); },
     "vrun: fatal error: invalid awk executable file: %s\n"},
    {"trailer longer than the file", "image.bin",
     [](auto& img) { img.insert(img.end(), {0x7F, 0xFF, 0xFF, 0xFF}); },
     "vrun: fatal error: (2) invalid awk executable file: %s\n"},
};

TEST(Vrun, LoaderMessages) {
  for (const BadImage& b : kBad) {
    rtest::TempDir dir;
    std::string path = dir / b.file;
    if (b.damage) {
      auto img = rtest::minimalWriter().build();
      b.damage(img);
      rtest::writeBytes(path, img);
    }
    auto r = rtest::run(rtest::vrun(), {path});
    char want[600];
    std::snprintf(want, sizeof want, b.message, path.c_str());
    std::string expected = want;
    if (expected.size() > 79)  // the message continues on a second line
      expected.insert(expected.find(": ", 5) + 2, "\n     ");
    EXPECT_EQ(r.status, 2) << b.name;
    EXPECT_EQ(r.err, expected) << b.name;
    EXPECT_EQ(r.out, "") << b.name;
  }
}

// An image cut short in a later segment loads; only a use of an address in
// the missing segment fails.
std::vector<uint8_t> farImage(uint32_t far) {
  ImageWriter w;
  w.setBuildStamp(77);
  Asm a;
  for (uint32_t s : {w.addString("near"), far}) {
    a.op(Op::op_line).u(s == far ? 2 : 1).op(Op::op_pushslot).op(Op::op_pushs).a(s);
    a.op(Op::op_bcall).p(1, 1).s(slot::b_print).op(Op::op_pop);
  }
  a.op(Op::op_ret);
  w.setFunction(1000, a.function());
  w.setRootGid(root::kBegin1Function, 1000);
  return w.build();
}

TEST(Vrun, CutInALaterSegmentFailsOnlyWhenUsed) {
  // The far string lives in one more segment after the writer's last one,
  // of which the file holds only the first bytes.
  uint32_t count = be32(farImage(4).data() + root::kSegmentCount);
  auto img = farImage(count << 16 | 4);
  ASSERT_EQ(be32(img.data() + root::kSegmentCount), count);
  putBe32(img.data() + root::kSegmentCount, count + 1);
  putBe16(img.data() + root::kSegmentSizes + 2 * count, 100);
  img.insert(img.end(), {0, 0, 0, 0, 0, 0, 0, 3, 0, 1});  // 10 of 100 bytes
  rtest::TempDir dir;
  std::string path = dir / "cut.ae";
  rtest::writeBytes(path, img);
  auto r = rtest::run(rtest::vrun(), {path});
  EXPECT_EQ(r.out, "near\n");
  EXPECT_EQ(r.err, "cut: internal error: invalid vmid: " + std::to_string(count) + "\n");
  EXPECT_EQ(r.status, 2);
}

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
