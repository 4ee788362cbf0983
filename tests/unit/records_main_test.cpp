// The main input over a program image loaded in-process: the walk over
// ARGV (files, assignment operands, empty and missing elements, wildcards,
// directories, standard input once), FILENAME/FNR/NR, the begin-file and
// end-file functions; and the SYMINFO and FUNINFO arrays built from the
// image's symbol table. Operands, ARGV edits, paragraphs across files and
// RECLEN are covered by tests/cases/records.
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "arrays/table.h"
#include "interp_fixture.h"
#include "io/stream.h"
#include "records_fixture.h"
#include "io/vars.h"

using namespace interptest;
namespace pd = vorn::image::predef;

namespace {

// Program globals: begin-file count, end-file count, the variable x.
constexpr int kBeginCount = kG0;
constexpr int kEndCount = kG0 + 1;
constexpr int kX = kG0 + 2;
constexpr int kY = kG0 + 3;
constexpr int kY2 = kG0 + 4;

std::string g_dir;

// A function that adds 1 to global gid.
Asm counter(int gid) {
  Asm a;
  a.op(Op::op_gpush).g(gid);
  a.op(Op::op_addi32).w(1);
  a.op(Op::op_gstore).g(gid);
  a.op(Op::op_ret);
  return a;
}

void buildProgram() {
  Program p;
  p.fn(1001, counter(kBeginCount));
  p.fn(1002, counter(kEndCount));
  p.fn(1003, Asm().op(Op::op_ret));
  p.fn(1004, Asm().op(Op::op_ret));
  p.writer.setRootGid(img::root::kBeginFileFunction, 1001);
  p.writer.setRootGid(img::root::kEndFileFunction, 1002);
  p.writer.addModule("prog.awk");
  p.writer.addModule("lib/other.awk");
  using D = img::SymbolDefinition;
  p.symbol("ARGC", img::symkind::kPredefinedGlobal, 8000, D::make(0, img::kPredefinedModule, 0));
  p.symbol("NR", img::symkind::kSpecialVariable, 225, D::make(0, img::kPredefinedModule, 0));
  p.symbol("x", img::symkind::kGlobal, kX, D::make(img::defkind::kGlobal, 0, kX, 7));
  p.symbol("f", img::symkind::kFunction, 1003, D::make(img::defkind::kFunction, 0, 1003, 2));
  p.symbol(":BEGIN", img::symkind::kModuleOnly, 0,
           D::make(img::defkind::kModuleFunction, 0, 1004, 3));
  img::SymbolRecord y;
  y.kind = img::symkind::kGlobal;
  y.gid = int16_t(kY);
  y.definitions = {D::make(img::defkind::kGlobal, 0, kY, 1),
                   D::make(img::defkind::kModuleVariable, 1, kY2, 4)};
  p.writer.addSymbol("y", y);
  p.builtin("length", 6, 0x800, 0, 1, 0);
  ASSERT_TRUE(p.load());
  awk_fieldinit();
  awk_initio();
  awk_varinit();
}

void writeFile(const std::string& name, const std::string& text) {
  std::ofstream(g_dir + "/" + name, std::ios::binary) << text;
}

struct Seen {
  std::string record, filename;
  int32_t fnr, nr;
  std::string x;
  bool operator==(const Seen&) const = default;
};
std::ostream& operator<<(std::ostream& o, const Seen& s) {
  return o << "{" << s.record << " " << s.filename << " " << s.fnr << " " << s.nr << " x=" << s.x
           << "}";
}

std::string textOf(Cell* c) {
  AwkString* s = awk_a2s(c);
  std::string r(s->view());
  stringFree(s);
  return r;
}

// Starts a new run over the operands (as given on the command line).
void startRun(std::vector<std::string> operands) {
  awk_recreset();
  awk_nr = awk_fnr = 0;
  awk_exitstatus = 0;
  awk_gt_conditions = 0;
  for (int gid : {kBeginCount, kEndCount, kX}) {
    awk_unaccess(awk_gvar(gid));
    cellSetInt(awk_gvar(gid), 0);
  }
  std::vector<char*> args;
  for (auto& s : operands) args.push_back(s.data());
  awk_set_argv("prog", int(args.size()), args.data());
}

// Reads the main input to its end.
std::vector<Seen> readMain(std::string* err = nullptr) {
  std::vector<Seen> seen;
  testing::internal::CaptureStderr();
  while (AwkString* s = next_record(nullptr)) {
    seen.push_back({std::string(s->view()), std::string(awk_filename->view()), awk_fnr, awk_nr,
                    textOf(awk_gvar(kX))});
    stringFree(s);
    if (seen.size() > 1000) break;
  }
  std::string e = testing::internal::GetCapturedStderr();
  if (err) *err = e;
  return seen;
}

int32_t intOf(int gid) { return awk_a2l(awk_gvar(gid)); }

class MainInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    rectest::assign(rectest::pv::RS, "\n");
    awk_reclen = kNoLimit;
    awk_miscflags &= ~kMiscRsUsed;
    std::filesystem::current_path(g_dir);
  }
};

TEST_F(MainInputTest, NonArrayArgvEndsTheInput) {
  startRun({"a"});
  awk_setvargl(pd::g_ARGV, 5);
  std::string err;
  EXPECT_TRUE(readMain(&err).empty());
  EXPECT_NE(err.find("ARGV has been changed to a non-array"), std::string::npos) << err;
  awk_setvargl(pd::g_ARGV, 0);
}

TEST_F(MainInputTest, WildcardOperandsExpandToFilesOnly) {
  std::filesystem::create_directories(g_dir + "/w/sub.txt");
  writeFile("w/p.txt", "P\n");
  writeFile("w/q.txt", "Q\n");
  writeFile("w/r.dat", "R\n");
  startRun({"w/*.txt", "w/none*"});
  std::string err;
  std::vector<Seen> got = readMain(&err);
  std::vector<std::string> names;
  for (const Seen& s : got) names.push_back(s.filename + ":" + s.record);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"w/p.txt:P", "w/q.txt:Q"}));
  EXPECT_NE(err.find("Can not open file: \"w/none*\""), std::string::npos) << err;
  EXPECT_EQ(awk_exitstatus, 1);
}

class Env : public ::testing::Environment {
 public:
  void SetUp() override {
    char tmpl[] = "/tmp/vorn_records_main.XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    g_dir = tmpl;
    awk_debuge = 1;
    buildProgram();
  }
  void TearDown() override { std::filesystem::remove_all(g_dir); }
};

TEST_F(MainInputTest, UnopenableOperandsWarnAndSetTheExitStatus) {
  writeFile("ok", "r\n");
  mkdir((g_dir + "/adir").c_str(), 0700);
  startRun({"missing", "adir", "ok"});
  std::string err;
  std::vector<Seen> got = readMain(&err);
  EXPECT_EQ(got, (std::vector<Seen>{{"r", "ok", 1, 1, "0"}}));
  EXPECT_NE(err.find("Can not open file: \"missing\""), std::string::npos) << err;
  EXPECT_NE(err.find("Skipping directory adir"), std::string::npos) << err;
  EXPECT_EQ(awk_exitstatus, 1);
  EXPECT_EQ(intOf(kBeginCount), 1);
}

// SYMINFO and FUNINFO as the special-variable handlers serve them.
std::string element(AwkTable* t, const char* key) {
  Cell arr{};
  arr.tag = Tag::Array;
  arr.w.t = t;
  AwkString* s = awk_gettab(&arr, key);
  if (!s) return "<missing>";
  std::string r(s->view());
  stringFree(s);
  return r;
}

TEST(SymInfo, DescribesGlobalsAndFunctions) {
  Cell si{}, fi{};
  ASSERT_TRUE(awk_pvget(vorn::image::pv::SYMINFO, &si));
  ASSERT_TRUE(awk_pvget(vorn::image::pv::FUNINFO, &fi));
  ASSERT_EQ(si.tag, Tag::Array);
  ASSERT_EQ(fi.tag, Tag::Array);
  struct Want {
    AwkTable* t;
    std::string key, text;
  };
  for (const Want& w : std::vector<Want>{
           {si.w.t, "8000", "ARGC"},
           {si.w.t, "225", "NR"},
           {si.w.t, std::to_string(kX), "x prog.awk 7"},
           {si.w.t, std::to_string(kY), "y prog.awk 1"},
           {si.w.t, std::to_string(kY2), "y lib/other.awk 4"},
           {fi.w.t, "1003", "f prog.awk 2"},
           {fi.w.t, "1004", "prog:BEGIN prog.awk 3"},
       })
    EXPECT_EQ(element(w.t, w.key.c_str()), w.text) << w.key;
  EXPECT_EQ(awk_tablength(fi.w.t), 2);
  EXPECT_EQ(awk_tablength(si.w.t), 5);   // builtins are not listed
  // Assignments are ignored; later reads share the same table.
  Cell five{};
  cellSetInt(&five, 5);
  ASSERT_TRUE(awk_pvset(vorn::image::pv::SYMINFO, &five));
  Cell again{};
  ASSERT_TRUE(awk_pvget(vorn::image::pv::SYMINFO, &again));
  EXPECT_EQ(again.w.t, si.w.t);
  awk_unaccess(&again);
  awk_unaccess(&si);
  awk_unaccess(&fi);
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new Env);
  return RUN_ALL_TESTS();
}
