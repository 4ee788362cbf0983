// The command runner and the process builtins: environments built from
// arrays, exit codes, the run modes, and sleep's arithmetic.
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <set>

#include "arrays/table.h"
#include "builtins/process.h"
#include "streams_fixture.h"

using namespace stest;

static auto* const kEnv = ::testing::AddGlobalTestEnvironment(new StreamsEnvironment);

namespace {

class ProcessTest : public iotest::IoTest {};

Cell arrayCell() {
  Cell c{};
  c.tag = Tag::Array;
  c.w.t = awk_sanew(8);
  return c;
}

void setElem(Cell* arr, const std::string& key, Cell value) {
  Cell k = strCell(key);
  awk_tabadd(arr, &k, &value);
}

std::set<std::string> envEntries(Cell* env) {
  char** t = awk_buildenv(env);
  std::set<std::string> out;
  for (char** p = t; *p; ++p) out.insert(*p);
  awk_freeenv(t);
  return out;
}

TEST_F(ProcessTest, EnvironmentFromArray) {
  Cell env = arrayCell();
  setElem(&env, "A", strCell("1"));
  setElem(&env, "EMPTY", strCell(""));
  setElem(&env, "N", intCell(42));
  setElem(&env, "F", fltCell(2.5));
  setElem(&env, "UNSET", Cell{});                 // uninitialized: left out
  setElem(&env, "BAD=NAME", strCell("x"));        // cannot be a C environment name
  setElem(&env, "", strCell("x"));
  EXPECT_EQ(envEntries(&env), (std::set<std::string>{"A=1", "EMPTY=", "N=42", "F=2.5"}));
  drop(&env);

  Cell notArray = strCell("");
  EXPECT_TRUE(envEntries(&notArray).empty());
  drop(&notArray);
}

// 399 entries fit; the 400th is refused with a warning.
TEST_F(ProcessTest, EnvironmentLimit) {
  for (int n : {399, 400, 450}) {
    SCOPED_TRACE(n);
    Cell env = arrayCell();
    for (int i = 0; i < n; ++i) setElem(&env, "V" + std::to_string(i), intCell(i));
    std::set<std::string> got;
    std::string err = stderrOf([&] { got = envEntries(&env); });
    EXPECT_EQ(got.size(), 399u);
    EXPECT_EQ(contains(err, "Environment too large for system call"), n > 399) << err;
    drop(&env);
  }
}

// system() runs nothing for an empty command; spawn() runs it anyway.
TEST_F(ProcessTest, SystemAndSpawn) {
  EXPECT_EQ(callInt(b_system, {strCell("exit 7")}), 7);
  EXPECT_EQ(callInt(b_system, {strCell("")}), 0);
  EXPECT_EQ(callInt(b_system, {strCell("touch ran.txt")}), 0);
  EXPECT_EQ(access("ran.txt", F_OK), 0);
  EXPECT_EQ(callInt(b_spawn, {strCell("exit 4")}), 4);
  EXPECT_EQ(callInt(b_spawn, {strCell("")}), 0);
  // The pipe modes have no stream to return here: the command runs through.
  EXPECT_EQ(callInt(b_spawn, {strCell("exit 5"), arrayCell(), intCell(kRunPipeFrom)}), 5);

  // A command with a NUL byte is never handed to the shell.
  EXPECT_EQ(callInt(b_system, {strCell(std::string("touch a\0b", 9))}), -1);
  EXPECT_NE(access("a", F_OK), 0);
}

// Sums of seconds and milliseconds of opposite signs, and no number at all
// (tests/cases/process/sleep has the plain durations).
TEST_F(ProcessTest, SleepDurations) {
  const struct {
    std::vector<Cell> (*args)();
    int minMs, maxMs;
  } cases[] = {
      {[] { return std::vector<Cell>{intCell(-1), intCell(100)}; }, 90, 450},
      {[] { return std::vector<Cell>{fltCell(0.1), intCell(-200)}; }, 0, 50},
      {[] { return std::vector<Cell>{fltCell(std::nan(""))}; }, 0, 50},
  };
  for (const auto& c : cases) {
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(int(call(b_sleep, c.args()).tag), int(Tag::Uninit));
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                  std::chrono::steady_clock::now() - t0).count();
    EXPECT_GE(ms, c.minMs);
    EXPECT_LE(ms, c.maxMs);
  }
}

}  // namespace
