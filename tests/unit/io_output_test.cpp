// Output statements where the AWK cases cannot reach: printf engine
// errors, redirection to a read-only stream, an unusable stdout variable,
// broken pipes and interrupted writes.
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>

#include <algorithm>
#include <csignal>

#include "builtins/btable.h"
#include "io_fixture.h"

using namespace iotest;

namespace {

using IoOutput = IoTest;

// What the printf engine reports comes out as "printf: <text>" and what it
// produced before the error is written all the same.
TEST_F(IoOutput, PrintfReportsEngineErrors) {
  std::string out =
      tsupport::stderrOf([] { call(b___fprintf, {strCell("g.out"), intCell(1), strCell("ab%d-%d")}); });
  EXPECT_NE(out.find("printf: fewer arguments than print format specifications"), std::string::npos) << out;
  awk_closeall();
  EXPECT_EQ(readFile("g.out"), "ab");
}

// print, printf and fwrite refuse a stream open for reading and write nothing.
TEST_F(IoOutput, RedirectionToReadOnlyStream) {
  writeFile("ro", "data\n");
  AwkStream* r = openFile("ro", O_RDONLY, SF_EXPLICIT, 0);
  ASSERT_NE(r, nullptr);
  std::string err = tsupport::stderrOf([&] {
    call(b___fprint, {strCell("ro"), intCell(2), strCell("x")});
    call(b___fprintf, {fileidCell(r), intCell(1), strCell("y")});
    call(b_fwrite, {strCell("z"), fileidCell(r)});
  });
  EXPECT_EQ(g_result.tag, Tag::Int);
  EXPECT_EQ(g_result.w.i, 0) << "bytes fwrite wrote";
  for (const char* caller : {"print", "printf", "fwrite"})
    EXPECT_NE(err.find(std::string(caller) + ": file \"ro\" is open for reading only"), std::string::npos)
        << caller << " in: " << err;
  awk_closeall();
  EXPECT_EQ(readFile("ro"), "data\n");
}

TEST_F(IoOutput, StdoutVariableUnusable) {
  struct { Cell value; const char* first; } cases[] = {
      {intCell(5), "stdout: invalid file argument"}, {strCell("no/such/dir/x"), ""}};
  for (auto& c : cases) {
    g_stdout = c.value;
    std::string err = tsupport::stderrOf([] { call(b_print, {strCell("nothing")}); });
    EXPECT_NE(err.find(c.first), std::string::npos) << err;
    EXPECT_NE(err.find("can not write to file specified by stdout variable"), std::string::npos) << err;
    drop(&g_stdout);
    g_stdout = savedStdout;
  }
}

TEST_F(IoOutput, BrokenPipeReportedOnceAndNoOutputLost) {
  g_stdout = strCell("before.out");
  call(b_print, {strCell("earlier")});
  AwkStream* pipe = openPipe("head -c 1 >/dev/null");
  ASSERT_NE(pipe, nullptr);
  Cell id = fileidCell(pipe);
  std::string err = tsupport::stderrOf([&] {
    for (int i = 0; i < 500; ++i) call(b___fprint, {id, intCell(1), strCell(std::string(1000, 'x'))});
    call(b_print, {strCell("later")});
  });
  const std::string msg = "Output error (broken pipe) writing pipe";
  size_t at = err.find(msg);
  ASSERT_NE(at, std::string::npos) << err;
  EXPECT_EQ(err.find(msg, at + 1), std::string::npos) << "reported once: " << err;
  EXPECT_TRUE(pipe->flags & SF_ERRSEEN);
  awk_closeall();
  EXPECT_EQ(readFile("before.out"), "earlier\nlater\n");
}

TEST_F(IoOutput, BrokenPipeNamesAFileRecord) {
  // A FIFO opened by name is a file record: the message names it.
  ASSERT_EQ(mkfifo("fifo", 0600), 0);
  pid_t child = fork();
  if (child == 0) {
    int fd = open("fifo", O_RDONLY);
    char c;
    (void)!read(fd, &c, 1);
    _exit(0);
  }
  std::string err = tsupport::stderrOf([] {
    for (int i = 0; i < 200; ++i) call(b___fprint, {strCell("fifo"), intCell(1), strCell(std::string(1000, 'y'))});
  });
  EXPECT_NE(err.find("Output error (broken pipe) writing fifo"), std::string::npos) << err;
  waitpid(child, nullptr, 0);
}

volatile sig_atomic_t g_alarms = 0;
void onAlarm(int) { g_alarms = g_alarms + 1; }

TEST_F(IoOutput, InterruptedWritesAreRetried) {
  struct sigaction sa {}, old {};
  sa.sa_handler = onAlarm;   // no SA_RESTART: blocked writes fail with EINTR
  sigaction(SIGALRM, &sa, &old);
  AwkStream* pipe = openPipe("sleep 0.3; cat > slow.out");
  ASSERT_NE(pipe, nullptr);
  struct itimerval tv {};
  tv.it_interval.tv_usec = 2000;
  tv.it_value.tv_usec = 2000;
  setitimer(ITIMER_REAL, &tv, nullptr);
  std::string expected;
  Cell id = fileidCell(pipe);
  for (int i = 0; i < 400; ++i) {
    std::string line = std::to_string(i) + std::string(500, 'z');
    call(b___fprint, {id, intCell(1), strCell(line)});
    expected += line + "\n";
  }
  tv = {};
  setitimer(ITIMER_REAL, &tv, nullptr);
  sigaction(SIGALRM, &old, nullptr);
  EXPECT_GT(g_alarms, 0);
  EXPECT_FALSE(pipe->flags & SF_ERRSEEN);
  EXPECT_EQ(awk_sfclose(pipe, 2), 0);
  std::string got = readFile("slow.out");
  EXPECT_EQ(got.size(), expected.size());
  EXPECT_TRUE(got == expected) << "first difference at byte "
                               << std::mismatch(got.begin(), got.end(), expected.begin(),
                                                expected.end()).first - got.begin();
}

}  // namespace
