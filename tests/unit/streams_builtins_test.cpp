// The stream and process builtins where tests/cases/getline and
// tests/cases/process cannot reach: fdopen, fread's negative length, fwrite's
// counts, fflush, fileno's spellings, fseek's failed reopen, feof; the binary
// images of _cvtout and _cvtin; the command runner's environments built from
// arrays, its run modes, and sleep's arithmetic. Each test runs in the
// private working directory of io_fixture.h.
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>
#include <set>

#include "builtins/process.h"
#include "builtins_fixture.h"
#include "io/record.h"
#include "io_fixture.h"

namespace {

using namespace iotest;
using btest::call;   // these return the result; iotest's keep it in g_result
using btest::callInt;
using btest::callText;
using tsupport::stderrOf;

Cell fltCell(double v) { return tsupport::floatCell(v); }
bool contains(const std::string& hay, const std::string& needle) { return hay.find(needle) != std::string::npos; }

// getline var < source: the result, and the target's text in *value.
int32_t getlineFrom(Cell source, std::string* value = nullptr) {
  Cell target{};
  cellSetString(&target, stringNew("stale"));
  int32_t r = callInt(b_getline, {tsupport::localRef(&target), source});
  if (value) *value = tsupport::text(target);
  drop(&target);
  return r;
}

class FileIoTest : public iotest::IoTest {};

// A negative length is taken as no limit, with a warning (tests/cases/getline/fread
// has the other lengths and a file that cannot be opened).
TEST_F(FileIoTest, FreadNegativeLength) {
  writeFile("r.bin", "whole file");
  std::string got;
  std::string err = stderrOf([&] { got = callText(b_fread, {intCell(-1), strCell("r.bin")}); });
  EXPECT_EQ(got, "whole file");
  EXPECT_TRUE(contains(err, "fread: requested length truncated to 2147480000")) << err;
}

TEST_F(FileIoTest, FwriteCountsAndFflush) {
  const std::string data("x\0y\n", 4);
  EXPECT_EQ(callInt(b_fwrite, {strCell(data), strCell("w.bin")}), 4);
  EXPECT_EQ(callInt(b_fwrite, {strCell(""), strCell("w.bin")}), 0);
  EXPECT_EQ(callInt(b_fwrite, {intCell(42), strCell("w.bin")}), 2);
  EXPECT_EQ(callInt(b_close, {strCell("w.bin")}), 0);
  EXPECT_EQ(readFile("w.bin"), data + "42");

  // fflush writes what is pending.
  EXPECT_EQ(callInt(b_fwrite, {strCell("pending"), strCell("f.txt")}), 7);
  EXPECT_EQ(readFile("f.txt"), "");
  Cell r = call(b_fflush, {strCell("f.txt")});
  EXPECT_EQ(int(r.tag), int(Tag::Uninit));
  EXPECT_EQ(readFile("f.txt"), "pending");
  EXPECT_EQ(callInt(b_fwrite, {strCell("+synced"), strCell("f.txt")}), 7);
  call(b_fflush, {strCell("f.txt"), intCell(1)});
  EXPECT_EQ(readFile("f.txt"), "pending+synced");

  // Flushing an input stream loses nothing buffered.
  writeFile("in.txt", "1\n2\n3\n");
  std::string v;
  getlineFrom(strCell("in.txt"), &v);
  call(b_fflush, {strCell("in.txt")});
  EXPECT_EQ(getlineFrom(strCell("in.txt"), &v), 1);
  EXPECT_EQ(v, "2");
}

// The descriptor's spellings and unknown options (tests/cases/getline/state has
// "f", "s" and a stream that is not open).
TEST_F(FileIoTest, FilenoOptions) {
  writeFile("n.txt", "1\n");
  getlineFrom(strCell("n.txt"));
  Cell name = strCell("n.txt");
  const int fd = fileno(awk_findsf(name.w.s, 0)->fp);
  drop(&name);
  EXPECT_EQ(callInt(b_fileno, {strCell("n.txt")}), fd);
  for (Cell descriptor : {strCell("d"), strCell("D"), strCell("handle"), intCell(1), strCell("1")})
    EXPECT_EQ(callInt(b_fileno, {strCell("n.txt"), descriptor}), fd);
  for (const char* unknown : {"z", ""}) {
    Cell r{};
    std::string err = stderrOf([&] { r = call(b_fileno, {strCell("n.txt"), strCell(unknown)}); });
    EXPECT_EQ(int(r.tag), int(Tag::Uninit));
    EXPECT_TRUE(contains(err, "urecognized option to fileno function")) << err;
  }
  EXPECT_EQ(callInt(b_fileno, {g_stdin}), 0);   // the global keeps its reference
}

// fdopen adopts a descriptor as "fdopen file"; the F option refuses a
// stdio stream that a record already owns.
TEST_F(FileIoTest, Fdopen) {
  writeFile("d.txt", "via descriptor\n");
  int fd = open("d.txt", O_RDONLY);
  ASSERT_GE(fd, 0);
  Cell f = call(b_fdopen, {intCell(fd), strCell("r")});
  ASSERT_EQ(int(f.tag), int(Tag::FileId));
  ASSERT_NE(f.w.f, nullptr);
  EXPECT_EQ(f.w.f->refs, 1);
  EXPECT_EQ(std::string(f.w.f->name->view()), "fdopen file");
  EXPECT_FALSE(f.w.f->flags & SF_EXPLICIT);
  std::string v;
  Cell fc = f;
  awk_access(&fc);
  EXPECT_EQ(getlineFrom(fc, &v), 1);
  EXPECT_EQ(v, "via descriptor");
  fc = f;
  awk_access(&fc);
  EXPECT_EQ(callInt(b_close, {fc}), 0);
  drop(&f);
  EXPECT_EQ(fcntl(fd, F_GETFD), -1);   // closed with the stream

  Cell bad = call(b_fdopen, {intCell(-1), strCell("r")});
  EXPECT_EQ(int(bad.tag), int(Tag::Uninit));
  Cell own = call(b_fdopen, {fltCell(double(reinterpret_cast<uintptr_t>(stdout))), strCell("wF")});
  EXPECT_EQ(int(own.tag), int(Tag::Uninit));
}

// fseek of a file getline read to its end reopens it (tests/cases/getline
// has the positions): a reopen that fails records the error and gives 0.
TEST_F(FileIoTest, FseekFailures) {
  writeFile("s.txt", "first\nsecond\n");
  while (getlineFrom(strCell("s.txt")) > 0) {
  }
  ASSERT_EQ(unlink("s.txt"), 0);
  EXPECT_EQ(callInt(b_fseek, {strCell("s.txt"), intCell(0)}), 0);
  EXPECT_EQ(callInt(b_ferror, {strCell("s.txt")}), 1);
  writeFile("t.txt", "x\n");
  getlineFrom(strCell("t.txt"));
  EXPECT_EQ(callInt(b_fseek, {strCell("t.txt"), intCell(0), intCell(9)}), 0);   // no such origin
}

// A stream exhausted by getline, and streams feof cannot look into
// (tests/cases/getline/state has the states before and after the last
// record, a name not open and no main input).
TEST_F(FileIoTest, FeofStates) {
  writeFile("e.txt", "x\n");
  std::string err = stderrOf([&] {
    getlineFrom(strCell("e.txt"));
    getlineFrom(strCell("e.txt"));
    EXPECT_EQ(callInt(b_feof, {strCell("e.txt")}), 1);   // exhausted by getline
    EXPECT_EQ(callInt(b_feof, {fileidCell(nullptr)}), -1);
    EXPECT_EQ(callInt(b_feof, {call(b_fopen, {strCell("e3.txt"), strCell("w+")})}), -1);
    EXPECT_EQ(callInt(b_feof, {call(b_fopen, {strCell("e4.txt"), strCell("w")})}), 1);
  });
  EXPECT_EQ(err, "");
}

// _cvtout images in the machine's byte order (tests/cases/getline/cvt has
// "c" and the lengths), and round trips through _cvtin.
template <typename T>
std::string image(T v) {
  std::string s(sizeof v, '\0');
  std::memcpy(s.data(), &v, sizeof v);
  return s;
}

struct OutCase {
  Cell (*value)();
  const char* format;
  std::string bytes;
};

const OutCase kOut[] = {
    {[] { return intCell(0x141); }, "C", "A"},            // the low byte only
    {[] { return intCell(-1); }, "c", "\xff"},
    {[] { return intCell(-2); }, "s", image<int16_t>(-2)},
    {[] { return intCell(0x12345); }, "S", image<uint16_t>(0x2345)},
    {[] { return intCell(-123456); }, "l", image<int32_t>(-123456)},
    {[] { return fltCell(4294967295.0); }, "L", image<uint32_t>(4294967295u)},
    {[] { return strCell("77"); }, "l", image<int32_t>(77)},
    {[] { return fltCell(1.5); }, "d", image<double>(1.5)},
    {[] { return intCell(3); }, "d", image<double>(3.0)},
    {[] { return fltCell(0.25); }, "f", image<float>(0.25f)},
    {[] { return intCell(7); }, "long", image<int32_t>(7)},   // only the first letter counts
};

TEST(CvtOut, Images) {
  for (const OutCase& c : kOut) {
    SCOPED_TRACE(c.format);
    EXPECT_EQ(callText(b__cvtout, {c.value(), strCell(c.format)}), c.bytes);
  }
}

// _cvtin(_cvtout(x, format), format) gives x back over the whole range
// (tests/cases/getline/cvt has the signed 32-bit one and 0.1).
TEST(CvtRoundTrip, WholeRange) {
  const std::pair<const char*, double> cases[] = {
      {"L", 0}, {"L", 1}, {"L", 2147483647.0}, {"L", 2147483648.0}, {"L", 3000000000.0}, {"L", 4294967295.0},
      {"d", -1e300}, {"d", 6.02214076e23}, {"d", std::numeric_limits<double>::denorm_min()}};
  for (const auto& [format, x] : cases) {
    Cell back = call(b__cvtin, {call(b__cvtout, {fltCell(x), strCell(format)}), strCell(format)});
    EXPECT_EQ(back.tag == Tag::Int ? double(back.w.i) : back.x.d, x) << format << " " << x;
  }
}

class ProcessTest : public iotest::IoTest {};

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

// (tests/cases/process/spawn has a value that is no array.) 399 entries
// fit; the 400th is refused with a warning.
TEST_F(ProcessTest, EnvironmentFromArray) {
  Cell env = btest::newArray();
  setElem(&env, "A", strCell("1"));
  setElem(&env, "EMPTY", strCell(""));
  setElem(&env, "N", intCell(42));
  setElem(&env, "F", fltCell(2.5));
  setElem(&env, "UNSET", Cell{});                 // uninitialized: left out
  setElem(&env, "BAD=NAME", strCell("x"));        // cannot be a C environment name
  setElem(&env, "", strCell("x"));
  EXPECT_EQ(envEntries(&env), (std::set<std::string>{"A=1", "EMPTY=", "N=42", "F=2.5"}));
  drop(&env);
  for (int n : {399, 400, 450}) {
    SCOPED_TRACE(n);
    env = btest::newArray();
    for (int i = 0; i < n; ++i) setElem(&env, std::string("V").append(std::to_string(i)), intCell(i));
    std::set<std::string> got;
    std::string err = stderrOf([&] { got = envEntries(&env); });
    EXPECT_EQ(got.size(), 399u);
    EXPECT_EQ(contains(err, "Environment too large for system call"), n > 399) << err;
    drop(&env);
  }
}

// tests/cases/process/system and spawn have the exit codes and the empty command.
TEST_F(ProcessTest, SystemAndSpawn) {
  // The pipe modes have no stream to return here: the command runs through.
  EXPECT_EQ(callInt(b_spawn, {strCell("exit 5"), btest::newArray(), intCell(kRunPipeFrom)}), 5);
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
