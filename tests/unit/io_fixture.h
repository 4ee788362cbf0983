// Shared set-up for the stream-table, output and stream-builtin tests: a
// private temporary directory (the working directory while the tests run),
// the three standard records over the test process's own streams, and
// helpers to build cells, open streams and read files back.
#pragma once
#include <gtest/gtest.h>

#include "test_support.h"
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "diag/oops.h"
#include "io/globals.h"
#include "io/output.h"
#include "io/stream.h"

namespace iotest {

inline Cell g_rsm, g_stdin, g_stdout, g_stderr, g_filemode, g_result;
inline std::string g_dir;
inline std::string g_oldcwd;

class IoEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    char tmpl[] = "/tmp/vorn_io_test.XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    g_dir = tmpl;
    g_oldcwd = std::filesystem::current_path();
    std::filesystem::current_path(g_dir);
    // A reader that has gone must show as EPIPE, as under the run-time's
    // own signal handling, not end the test process.
    signal(SIGPIPE, SIG_IGN);
    awk_debuge = 1;   // E errors report and return, so the tests can go on
    if (!string_empty) string_empty = stringNew("");
    awk_convinit();
    awk_ofs = stringNew(" ");
    awk_ors = stringNew("\n");
    awk_initio_cells(&g_rsm, &g_stdin, &g_stdout, &g_stderr, &g_filemode);
    awk_retval = &g_result;
  }
  void TearDown() override {
    awk_closeall();
    std::filesystem::current_path(g_oldcwd);
    // Kept for inspection when a test failed.
    if (::testing::UnitTest::GetInstance()->Passed()) std::filesystem::remove_all(g_dir);
  }
};

inline auto* const kIoEnvironment = ::testing::AddGlobalTestEnvironment(new IoEnvironment);

using tsupport::intCell;
using tsupport::strCell;
inline Cell fileidCell(AwkStream* r) {
  Cell c{};
  awk_setfileid(&c, r);
  return c;
}
inline void drop(Cell* c) {
  awk_unaccess(c);
  cellSetUninit(c);
}

using tsupport::readFile;
inline void writeFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

inline AwkStream* openFile(const std::string& name, int omode, uint16_t flags = 0, int gflags = GETSF_OPEN) {
  AwkString* s = stringNew(name);
  AwkStream* r = awk_openfile(s, uint16_t(omode), 0, flags, gflags);
  stringFree(s);
  return r;
}

// The listed records, newest first.
inline std::vector<AwkStream*> listed() {
  std::vector<AwkStream*> v;
  for (AwkStream* r = awk_filehead->next; r != awk_filehead; r = r->next) v.push_back(r);
  return v;
}
inline bool isListed(const AwkStream* r) {
  auto v = listed();
  return std::find(v.begin(), v.end(), r) != v.end();
}

// Runs print/printf-style builtins with owned argument cells.
inline void call(void (*fn)(int, Cell*), std::vector<Cell> args) {
  cellSetUninit(&g_result);
  fn(int(args.size()), args.data());
  for (Cell& c : args) drop(&c);
}

// Opens an output pipe to cmd as the builtin does: its record, or null.
inline AwkStream* openPipe(const std::string& cmd) {
  call(b___pipeopen, {strCell(cmd), intCell(1)});
  EXPECT_EQ(g_result.tag, Tag::FileId);
  return g_result.w.f;
}

// Each test starts with no listed stream and default separators; a test
// may set the stdout variable, which is put back afterwards.
class IoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    awk_closeall();
    ASSERT_TRUE(listed().empty());
    stringFree(awk_ors);
    awk_ors = stringNew("\n");
    stringFree(awk_ofs);
    awk_ofs = stringNew(" ");
    drop(&g_filemode);
    awk_bufsize = 4096;
    savedStdout = g_stdout;
  }
  void TearDown() override {
    if (g_stdout.tag != savedStdout.tag || g_stdout.w.word != savedStdout.w.word) {
      drop(&g_stdout);
      g_stdout = savedStdout;
    }
    awk_closeall();
  }
  Cell savedStdout{};
};

}  // namespace iotest
