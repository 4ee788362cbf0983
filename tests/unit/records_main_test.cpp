// The main input's walk over ARGV where tests/cases/records cannot reach
// (wildcards, directories and unmatched wildcards among the operands, a
// non-array ARGV).
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

constexpr int kBeginCount = kG0;   // counted by BEGINFILE

std::string g_dir;

void buildProgram() {
  Program p;
  Asm a;
  a.op(Op::op_gpush).g(kBeginCount).op(Op::op_addi32).w(1).op(Op::op_gstore).g(kBeginCount).op(Op::op_ret);
  p.fn(1001, a);
  p.writer.setRootGid(img::root::kBeginFileFunction, 1001);
  p.writer.addModule("prog.awk");
  ASSERT_TRUE(p.load());
  awk_fieldinit();
  awk_initio();
  awk_varinit();
}

void writeFile(const std::string& name, const std::string& text) {
  std::ofstream(name, std::ios::binary) << text;
}

void startRun(std::vector<std::string> operands) {
  awk_recreset();
  awk_nr = awk_fnr = 0;
  awk_exitstatus = 0;
  awk_gt_conditions = 0;
  cellSetInt(awk_gvar(kBeginCount), 0);
  std::vector<char*> args;
  for (auto& s : operands) args.push_back(s.data());
  awk_set_argv("prog", int(args.size()), args.data());
}

// Every main-input record as "FILENAME:record:FNR", sorted; err: standard error.
std::vector<std::string> readMain(std::string& err) {
  std::vector<std::string> seen;
  err = tsupport::stderrOf([&] {
    while (AwkString* s = next_record(nullptr)) {
      seen.push_back(std::string(awk_filename->view()) + ":" + std::string(s->view()) + ":" +
                     std::to_string(awk_fnr));
      stringFree(s);
      if (seen.size() > 1000) break;
    }
  });
  std::sort(seen.begin(), seen.end());
  return seen;
}

// After the records layer's own start-up: a directory to work in and the program.
class Env : public ::testing::Environment {
 public:
  void SetUp() override {
    char tmpl[] = "/tmp/vorn_records_main.XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    g_dir = tmpl;
    buildProgram();
  }
  void TearDown() override {   // kept for inspection when a test failed
    if (::testing::UnitTest::GetInstance()->Passed()) std::filesystem::remove_all(g_dir);
  }
};
auto* const kEnv = ::testing::AddGlobalTestEnvironment(new Env);

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
  EXPECT_TRUE(readMain(err).empty());
  EXPECT_NE(err.find("ARGV has been changed to a non-array"), std::string::npos) << err;
  awk_setvargl(pd::g_ARGV, 0);
}

// A wildcard expands to the files it matches, directories left out; one
// that matches nothing is tried as a name. Operands that open no file are
// skipped without BEGINFILE, warn and set the exit status
// (tests/cases/records/missing_file has a plain missing name).
TEST_F(MainInputTest, OperandsThatOpenNoFileAreSkipped) {
  std::filesystem::create_directories("w/sub.txt");
  writeFile("w/p.txt", "P\n");
  writeFile("w/q.txt", "Q\n");
  writeFile("w/r.dat", "R\n");
  mkdir("adir", 0700);
  startRun({"w/none*", "adir", "w/*.txt"});
  std::string err;
  EXPECT_EQ(readMain(err), (std::vector<std::string>{"w/p.txt:P:1", "w/q.txt:Q:1"}));
  EXPECT_EQ(awk_nr, 2);
  EXPECT_NE(err.find("Can not open file: \"w/none*\""), std::string::npos) << err;
  EXPECT_NE(err.find("Skipping directory adir"), std::string::npos) << err;
  EXPECT_EQ(awk_exitstatus, 1);
  EXPECT_EQ(awk_a2l(awk_gvar(kBeginCount)), 2);
}

}  // namespace
