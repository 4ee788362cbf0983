// Output statements: item conversion and separators, printf, redirection
// by name (truncate then append), the stdout variable, the flush policy,
// broken pipes and interrupted writes.
#include <sys/time.h>

#include <cerrno>
#include <csignal>
#include <algorithm>
#include <cstring>

#include <sys/stat.h>
#include <sys/wait.h>

#include "format/printf.h"
#include "io_fixture.h"

using namespace iotest;

static auto* const kEnv = ::testing::AddGlobalTestEnvironment(new IoEnvironment);

namespace {

class IoOutput : public IoTest {
 protected:
  void SetUp() override {
    IoTest::SetUp();
    savedStdout = g_stdout;
  }
  void TearDown() override {
    if (g_stdout.tag != savedStdout.tag || g_stdout.w.word != savedStdout.w.word) {
      drop(&g_stdout);
      g_stdout = savedStdout;
    }
    IoTest::TearDown();
  }
  Cell savedStdout{};
};

void setString(AwkString** g, const std::string& v) {
  stringFree(*g);
  *g = stringNew1(v.data(), uint32_t(v.size()));
}

Cell floatCell(double d) {
  Cell c{};
  cellSetFloat(&c, d, kUnlimitedDecimals);
  return c;
}

Cell fieldCell(const std::string& s) {
  Cell c = strCell(s);
  c.tag = Tag::Field;
  return c;
}

// ---- print ------------------------------------------------------------------

struct PrintCase {
  const char* what;
  std::string ofs, ors;
  std::vector<Cell> (*items)();
  std::string expected;
};

const PrintCase kPrints[] = {
    {"no items", " ", "\n", [] { return std::vector<Cell>{}; }, "\n"},
    {"one item", " ", "\n", [] { return std::vector<Cell>{strCell("a")}; }, "a\n"},
    {"OFS between items only", " ", "\n",
     [] { return std::vector<Cell>{strCell("a"), strCell("b"), strCell("c")}; }, "a b c\n"},
    {"custom separators", "--", "|",
     [] { return std::vector<Cell>{strCell("a"), fieldCell("b")}; }, "a--b|"},
    {"empty ORS", ",", "", [] { return std::vector<Cell>{intCell(1), intCell(2)}; }, "1,2"},
    {"NUL bytes written in full", " ", "\n",
     [] { return std::vector<Cell>{strCell(std::string("a\0b", 3))}; }, std::string("a\0b\n", 4)},
    {"NUL in separators", std::string("\0", 1), std::string("\0\n", 2),
     [] { return std::vector<Cell>{strCell("x"), strCell("y")}; }, std::string("x\0y\0\n", 5)},
    {"numbers", " ", "\n",
     [] { return std::vector<Cell>{intCell(-2147483647 - 1), intCell(0), floatCell(0.5)}; },
     "-2147483648 0 0.5\n"},
    {"floats use OFMT", " ", "\n",
     [] { return std::vector<Cell>{floatCell(3.14159265)}; }, "3.1\n"},
    {"uninitialized prints empty", " ", "\n",
     [] { return std::vector<Cell>{Cell{}, strCell("z")}; }, " z\n"},
};

TEST_F(IoOutput, PrintItemsTable) {
  AwkString* oldOfmt = awk_ofmt;
  AwkString* oldConv = awk_convfmt;
  awk_ofmt = stringNew("%.2g");
  awk_convfmt = stringNew("%.9g");
  for (const PrintCase& c : kPrints) {
    SCOPED_TRACE(c.what);
    setString(&awk_ofs, c.ofs);
    setString(&awk_ors, c.ors);
    std::vector<Cell> args = {strCell("p.out"), intCell(1)};
    for (Cell& x : c.items()) args.push_back(x);
    call(b___fprint, args);
    awk_closeall();
    EXPECT_EQ(readFile("p.out"), c.expected);
  }
  EXPECT_EQ(awk_inprint, 0);
  stringFree(awk_ofmt);
  stringFree(awk_convfmt);
  awk_ofmt = oldOfmt;
  awk_convfmt = oldConv;
}

TEST_F(IoOutput, PrintfFormatsAndReportsEngineErrors) {
  call(b___fprintf, {strCell("f.out"), intCell(1), strCell("%d-%s|%5.2f\n"), intCell(7),
                     strCell("x"), floatCell(2.5)});
  awk_closeall();
  EXPECT_EQ(readFile("f.out"), "7-x| 2.50\n");

  // Whatever the engine reports comes out as "printf: <text>" and what it
  // produced is written all the same.
  Cell fmt = strCell("ab%d-%d");
  const char* err = nullptr;
  AwkString* expected = awk_asprintf(fmt.w.s, 0, nullptr, &err);
  ASSERT_NE(err, nullptr) << "a format the engine refuses";
  std::string text(expected->view());
  std::string msg = std::string("printf: ") + (err + 2);
  stringFree(expected);
  testing::internal::CaptureStderr();
  call(b___fprintf, {strCell("g.out"), intCell(1), fmt});
  std::string out = testing::internal::GetCapturedStderr();
  EXPECT_NE(out.find(msg), std::string::npos) << out;
  awk_closeall();
  EXPECT_EQ(readFile("g.out"), text);
}

// ---- redirection by name --------------------------------------------------------

TEST_F(IoOutput, TruncateThenAppendBySameName) {
  struct Step { const char* name; int kind; const char* item; };
  struct { const char* before; std::vector<Step> steps; const char* after; } cases[] = {
      {"old\n", {{"t.out", 1, "a"}, {"t.out", 1, "b"}}, "a\nb\n"},
      {"old\n", {{"t.out", 1, "a"}, {"t.out", 1, "b"}, {"t.out", 2, "c"}}, "a\nb\nc\n"},
      {"old\n", {{"t.out", 2, "a"}, {"t.out", 1, "b"}}, "old\na\nb\n"},
      {nullptr, {{"t.out", 2, "a"}}, "a\n"},
  };
  for (auto& c : cases) {
    std::filesystem::remove("t.out");
    if (c.before) writeFile("t.out", c.before);
    for (const Step& s : c.steps) call(b___fprint, {strCell(s.name), intCell(s.kind), strCell(s.item)});
    EXPECT_EQ(listed().size(), 1u);
    awk_closeall();
    EXPECT_EQ(readFile("t.out"), c.after);
  }
}

TEST_F(IoOutput, CloseThenRedirectTruncatesAgain) {
  call(b___fprint, {strCell("c.out"), intCell(1), strCell("first")});
  AwkString* n = stringNew("c.out");
  EXPECT_EQ(awk_sfclose(awk_findsf(n, 0), 2), 0);
  stringFree(n);
  call(b___fprint, {strCell("c.out"), intCell(1), strCell("second")});
  awk_closeall();
  EXPECT_EQ(readFile("c.out"), "second\n");
}

TEST_F(IoOutput, RedirectionToReadOnlyStream) {
  writeFile("ro", "data\n");
  AwkString* n = stringNew("ro");
  AwkStream* r = awk_openfile(n, O_RDONLY, 0, SF_EXPLICIT, 0);
  stringFree(n);
  ASSERT_NE(r, nullptr);
  testing::internal::CaptureStderr();
  call(b___fprint, {strCell("ro"), intCell(2), strCell("x")});
  call(b___fprintf, {fileidCell(r), intCell(1), strCell("y")});
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("print: file \"ro\" is open for reading only"), std::string::npos) << err;
  EXPECT_NE(err.find("printf: file \"ro\" is open for reading only"), std::string::npos) << err;
  awk_closeall();
  EXPECT_EQ(readFile("ro"), "data\n");
}

TEST_F(IoOutput, ReadWriteStreamRepositionsOnDirectionSwitch) {
  writeFile("rw", "0123456789");
  AwkString* n = stringNew("rw");
  AwkStream* r = awk_openfile(n, O_RDWR, 0, 0, 0);
  stringFree(n);
  ASSERT_NE(r, nullptr);
  awk_sfreading(r);
  EXPECT_EQ(fgetc(r->fp), '0');
  EXPECT_EQ(fgetc(r->fp), '1');
  EXPECT_EQ(fgetc(r->fp), '2');
  setString(&awk_ors, "");
  call(b___fprint, {strCell("rw"), intCell(1), strCell("X")});
  EXPECT_EQ(r->lastop, 'w');
  awk_sfreading(r);
  EXPECT_EQ(fgetc(r->fp), '4');
  awk_closeall();
  EXPECT_EQ(readFile("rw"), "012X456789");
}

// ---- the stdout variable --------------------------------------------------------

TEST_F(IoOutput, StdoutVariableNamesAFile) {
  writeFile("so.out", "0123456789\n");
  g_stdout = strCell("so.out");
  call(b_print, {strCell("ab")});
  ASSERT_EQ(g_stdout.tag, Tag::FileId);
  AwkStream* r = g_stdout.w.f;
  call(b_printf, {strCell("%s!"), strCell("cd")});
  awk_flushall(0);
  EXPECT_EQ(readFile("so.out"), "ab\ncd!6789\n") << "written from the start, not truncated";

  // Closing the file leaves the variable on an orphan: output is dropped.
  AwkString* n = stringNew("so.out");
  EXPECT_EQ(awk_sfclose(awk_findsf(n, 0), 2), 0);
  stringFree(n);
  EXPECT_TRUE(r->flags & SF_ORPHAN);
  testing::internal::CaptureStderr();
  call(b_print, {strCell("gone")});
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(readFile("so.out"), "ab\ncd!6789\n");
  // Reassigning releases the orphan; the next lookup frees it.
  drop(&g_stdout);
  g_stdout = savedStdout;
  AwkString* any = stringNew("x");
  awk_findsf(any, 0);
  stringFree(any);
  EXPECT_TRUE(listed().empty());
}

TEST_F(IoOutput, StdoutVariableCreatesMissingFile) {
  g_stdout = strCell("new.out");
  call(b_print, {strCell("hello")});
  awk_closeall();
  EXPECT_EQ(readFile("new.out"), "hello\n");
}

TEST_F(IoOutput, StdoutVariableHoldingStderr) {
  g_stdout = g_stderr;
  testing::internal::CaptureStderr();
  call(b_print, {strCell("to-stderr")});
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "to-stderr\n");
  g_stdout = savedStdout;
}

TEST_F(IoOutput, StdoutVariableUnusable) {
  struct { Cell value; const char* first; } cases[] = {
      {intCell(5), "stdout: invalid file argument"},
      {strCell("no/such/dir/x"), nullptr},
  };
  for (auto& c : cases) {
    g_stdout = c.value;
    testing::internal::CaptureStderr();
    call(b_print, {strCell("nothing")});
    std::string err = testing::internal::GetCapturedStderr();
    if (c.first) {
      EXPECT_NE(err.find(c.first), std::string::npos) << err;
    }
    EXPECT_NE(err.find("can not write to file specified by stdout variable"), std::string::npos)
        << err;
    drop(&g_stdout);
  }
  g_stdout = savedStdout;
}

// ---- flush policy ------------------------------------------------------------------

// Points descriptor fd at a fresh file for the life of the object.
struct Redirect {
  int fd, saved;
  std::string path;
  Redirect(int f, const std::string& p) : fd(f), path(p) {
    fflush(nullptr);
    saved = dup(fd);
    int t = open(p.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(t, fd);
    close(t);
  }
  ~Redirect() {
    fflush(nullptr);
    dup2(saved, fd);
    close(saved);
  }
};

TEST_F(IoOutput, StdoutFlushedBeforeStderrAndStderrAfterEachStatement) {
  Redirect out(1, g_dir + "/fd1"), err(2, g_dir + "/fd2");
  AwkStream* so = awk_newsf(O_WRONLY, stdout, "stdout", SF_STD, 1);
  AwkStream* se = awk_newsf(O_WRONLY, stderr, "stderr", SF_STD, 0);
  ASSERT_FALSE(so->flags & SF_FLUSHEACH);
  call(b___fprint, {fileidCell(so), intCell(1), strCell("first")});
  EXPECT_EQ(readFile("fd1"), "") << "stdout is buffered";
  call(b___fprint, {fileidCell(se), intCell(1), strCell("second")});
  EXPECT_EQ(readFile("fd1"), "first\n") << "flushed before stderr output";
  EXPECT_EQ(readFile("fd2"), "second\n") << "stderr flushed at the end of the statement";
}

TEST_F(IoOutput, FlushEachStreams) {
  struct { uint16_t flags; bool immediate; } cases[] = {{0, false}, {SF_FLUSHEACH, true}};
  for (auto& c : cases) {
    AwkString* n = stringNew("fe");
    AwkStream* r = awk_openfile(n, O_WRONLY | O_CREAT | O_TRUNC, 0, c.flags, 0);
    stringFree(n);
    ASSERT_NE(r, nullptr);
    call(b___fprint, {fileidCell(r), intCell(1), strCell("v")});
    EXPECT_EQ(readFile("fe"), c.immediate ? "v\n" : "");
    awk_closeall();
  }
}

// ---- broken pipes and interrupted writes ---------------------------------------------

TEST_F(IoOutput, BrokenPipeReportedOnceAndNoOutputLost) {
  g_stdout = strCell("before.out");
  call(b_print, {strCell("earlier")});
  std::vector<Cell> p = {strCell("head -c 1 >/dev/null"), intCell(1)};
  b___pipeopen(2, p.data());
  AwkStream* pipe = g_result.w.f;
  ASSERT_NE(pipe, nullptr);
  Cell id = fileidCell(pipe);
  std::string line(1000, 'x');
  testing::internal::CaptureStderr();
  for (int i = 0; i < 500; ++i) call(b___fprint, {id, intCell(1), strCell(line)});
  call(b_print, {strCell("later")});
  std::string err = testing::internal::GetCapturedStderr();
  const std::string msg = "Output error (broken pipe) writing pipe";
  size_t at = err.find(msg);
  ASSERT_NE(at, std::string::npos) << err;
  EXPECT_EQ(err.find(msg, at + 1), std::string::npos) << "reported once: " << err;
  EXPECT_TRUE(pipe->flags & SF_ERRSEEN);
  awk_closeall();
  EXPECT_EQ(readFile("before.out"), "earlier\nlater\n");
  dropAll(p);
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
  testing::internal::CaptureStderr();
  for (int i = 0; i < 200; ++i)
    call(b___fprint, {strCell("fifo"), intCell(1), strCell(std::string(1000, 'y'))});
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("Output error (broken pipe) writing fifo"), std::string::npos) << err;
  waitpid(child, nullptr, 0);
}

volatile sig_atomic_t g_alarms = 0;
void onAlarm(int) { g_alarms = g_alarms + 1; }

TEST_F(IoOutput, InterruptedWritesAreRetried) {
  struct sigaction sa {}, old {};
  sa.sa_handler = onAlarm;   // no SA_RESTART: blocked writes fail with EINTR
  sigaction(SIGALRM, &sa, &old);
  std::vector<Cell> p = {strCell("sleep 0.3; cat > slow.out"), intCell(1)};
  b___pipeopen(2, p.data());
  AwkStream* pipe = g_result.w.f;
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
  dropAll(p);
}

}  // namespace
