// The command runner and the process builtins: environments built from
// arrays, exit codes, the run modes, pipes through awk_startpipe, and
// sleep's arithmetic and timing.
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <set>
#include <thread>

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

struct ExitCase {
  const char* cmd;
  int32_t code;
};

const ExitCase kExits[] = {
    {"exit 0", 0},
    {"exit 3", 3},
    {"exit 255", 255},
    {"true", 0},
    {"false", 1},
    {"kill -9 $$", 9 * 256},
    {"kill -15 $$", 15 * 256},
    {"", 0},
    {"no_such_command_vorn 2>/dev/null", 127},
};

TEST_F(ProcessTest, RunAndWaitExitCodes) {
  for (const ExitCase& c : kExits) {
    SCOPED_TRACE(c.cmd);
    AwkString* cmd = stringNew(c.cmd);
    EXPECT_EQ(awk_runcmd(cmd, nullptr, kRunWait, nullptr), c.code);
    stringFree(cmd);
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

// The child sees exactly the array's elements.
TEST_F(ProcessTest, EnvironmentReachesChild) {
  Cell env = arrayCell();
  setElem(&env, "VORN_X", strCell("yes"));
  Cell e = env;
  awk_access(&e);
  EXPECT_EQ(callInt(b_spawn, {strCell("test \"$VORN_X\" = yes && test -z \"$HOME\""), e}), 0);
  EXPECT_EQ(callInt(b_spawn, {strCell("test -z \"$VORN_X\""), strCell("")}), 0);
  drop(&env);
  // The run-time's own environment is back afterwards.
  ASSERT_EQ(setenv("VORN_OWN", "kept", 1), 0);
  Cell empty = strCell("");
  AwkString* cmd = stringNew("exit 0");
  awk_runcmd(cmd, &empty, kRunWait, nullptr);
  stringFree(cmd);
  drop(&empty);
  ASSERT_NE(getenv("VORN_OWN"), nullptr);
  EXPECT_STREQ(getenv("VORN_OWN"), "kept");
}

// Mode 1 returns at once with the id of the process running the command,
// and leaves no child of ours behind to be reaped.
TEST_F(ProcessTest, StartWithoutWaiting) {
  auto t0 = std::chrono::steady_clock::now();
  int32_t pid = callInt(b_spawn, {strCell("sleep 0.3; touch spawned.txt"), strCell(""), intCell(kRunNoWait)});
  auto waited = std::chrono::steady_clock::now() - t0;
  EXPECT_GT(pid, 0);
  EXPECT_LT(waited, std::chrono::milliseconds(250));
  EXPECT_EQ(kill(pid, 0), 0);   // still running
  EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
  for (int i = 0; i < 100 && access("spawned.txt", F_OK) != 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(access("spawned.txt", F_OK), 0);
}

TEST_F(ProcessTest, StartPipe) {
  AwkString* cmd = stringNew("echo piped");
  FILE* fp = awk_startpipe(cmd, kRunPipeFrom);
  stringFree(cmd);
  ASSERT_NE(fp, nullptr);
  char line[32] = {};
  ASSERT_NE(fgets(line, sizeof line, fp), nullptr);
  EXPECT_STREQ(line, "piped\n");
  EXPECT_EQ(pclose(fp), 0);

  AwkString* empty = stringNew("");
  errno = 0;
  EXPECT_EQ(awk_startpipe(empty, kRunPipeFrom), nullptr);
  EXPECT_EQ(errno, EINVAL);
  stringFree(empty);
}

// Output written before a command starts comes before the command's.
TEST_F(ProcessTest, OutputFlushedBeforeCommand) {
  EXPECT_EQ(callInt(b_fwrite, {strCell("first\n"), strCell("order.txt")}), 6);
  EXPECT_EQ(callInt(b_system, {strCell("echo second >> order.txt")}), 0);
  EXPECT_EQ(callInt(b_close, {strCell("order.txt")}), 0);
  EXPECT_EQ(iotest::readFile("order.txt"), "first\nsecond\n");
}

struct SleepCase {
  const char* what;
  std::vector<Cell> (*args)();
  int minMs, maxMs;
};

const SleepCase kSleeps[] = {
    {"0 s + 250 ms", [] { return std::vector<Cell>{intCell(0), intCell(250)}; }, 240, 600},
    {"0.3 s", [] { return std::vector<Cell>{fltCell(0.3)}; }, 290, 650},
    {"\"0.2\"", [] { return std::vector<Cell>{strCell("0.2")}; }, 190, 550},
    {"-2 s", [] { return std::vector<Cell>{intCell(-2)}; }, 0, 50},
    {"-1 s + 100 ms", [] { return std::vector<Cell>{intCell(-1), intCell(100)}; }, 90, 450},
    {"0.1 s - 200 ms", [] { return std::vector<Cell>{fltCell(0.1), intCell(-200)}; }, 0, 50},
    {"not a number", [] { return std::vector<Cell>{fltCell(std::nan(""))}; }, 0, 50},
    {"1 s", [] { return std::vector<Cell>{intCell(1)}; }, 990, 1400},
};

TEST_F(ProcessTest, SleepDurations) {
  for (const SleepCase& c : kSleeps) {
    SCOPED_TRACE(c.what);
    auto t0 = std::chrono::steady_clock::now();
    Cell r = call(b_sleep, c.args());
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                  std::chrono::steady_clock::now() - t0).count();
    EXPECT_EQ(int(r.tag), int(Tag::Uninit));
    EXPECT_GE(ms, c.minMs);
    EXPECT_LE(ms, c.maxMs);
  }
}

}  // namespace
