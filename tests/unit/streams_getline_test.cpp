// getline from files and commands, and close(): return values, what the
// target receives, the end-of-file rule (0 until close), direction
// conflicts, pipe exit statuses, and NR/FNR left alone.
#include <sys/stat.h>

#include <functional>

#include "streams_fixture.h"

using namespace stest;

static auto* const kEnv = ::testing::AddGlobalTestEnvironment(new StreamsEnvironment);

namespace {

class GetlineTest : public iotest::IoTest {};

struct FileCase {
  const char* name;
  std::string content;
  std::vector<std::string> records;
};

const FileCase kFiles[] = {
    {"lines", "a\nb\nc\n", {"a", "b", "c"}},
    {"no final newline", "a\nlast", {"a", "last"}},
    {"empty file", "", {}},
    {"empty lines", "\n\nx\n", {"", "", "x"}},
    {"NUL bytes kept", std::string("p\0q\nr\n", 6), {std::string("p\0q", 3), "r"}},
    {"CR kept by default RAWMODE", "a\r\nb\r\n", {"a\r", "b\r"}},
    {"long line", std::string(5000, 'z') + "\nend\n", {std::string(5000, 'z'), "end"}},
};

// Every record with 1, then 0 on every later read (the target then gets
// ""), and after close() the file is read again from its first line.
TEST_F(GetlineTest, FileRecordsThenEndThenReopenAfterClose) {
  for (const FileCase& c : kFiles) {
    SCOPED_TRACE(c.name);
    writeFile("in.txt", c.content);
    std::string v;
    Tag tag;
    for (const std::string& want : c.records) {
      ASSERT_EQ(getlineFrom(strCell("in.txt"), &v, &tag), 1);
      EXPECT_EQ(v, want);
      EXPECT_EQ(int(tag), int(Tag::Field));
    }
    for (int again = 0; again < 3; ++again) {
      EXPECT_EQ(getlineFrom(strCell("in.txt"), &v, &tag), 0);
      EXPECT_EQ(v, "");
      EXPECT_EQ(int(tag), int(Tag::Field));
    }
    // Still listed, exhausted, with its name, its descriptor given back: a
    // new line in the file is not seen until close().
    ASSERT_EQ(iotest::listed().size(), 1u);
    EXPECT_EQ(iotest::listed()[0]->fp, nullptr);
    EXPECT_NE(iotest::listed()[0]->name, nullptr);
    iotest::writeFile("in.txt", "new\n");
    EXPECT_EQ(getlineFrom("in.txt"), 0);
    EXPECT_EQ(callInt(b_close, {strCell("in.txt")}), 0);
    ASSERT_EQ(getlineFrom("in.txt", &v), 1);
    EXPECT_EQ(v, "new");
    EXPECT_EQ(callInt(b_close, {strCell("in.txt")}), 0);
  }
}

// A source that cannot be had gives -1, assigns "", and says nothing for a
// file that cannot be opened.
TEST_F(GetlineTest, MissingSources) {
  std::string v = "x";
  std::string err = stderrOf([&] { EXPECT_EQ(getlineFrom("no/such/file", &v), -1); });
  EXPECT_EQ(v, "");
  EXPECT_EQ(err, "");
  EXPECT_TRUE(iotest::listed().empty());

  // A directory opens but cannot be read: an error, not an empty file.
  ASSERT_EQ(mkdir("dir.d", 0700), 0);
  v = "x";
  EXPECT_EQ(getlineFrom("dir.d", &v), -1);
  EXPECT_EQ(v, "");
  EXPECT_EQ(callInt(b_close, {strCell("dir.d")}), 0);

  err = stderrOf([&] { EXPECT_EQ(getlineFrom(fileidCell(nullptr), &v), -1); });
  EXPECT_TRUE(contains(err, "getline: file is not open")) << err;

  err = stderrOf([&] { EXPECT_EQ(getlineFrom(fltCell(1.5), &v), -1); });
  EXPECT_TRUE(contains(err, "getline: invalid file redirection argument")) << err;
}

// Records read from other streams are not main-input records.
TEST_F(GetlineTest, FileAndCommandReadsLeaveNrAlone) {
  writeFile("in.txt", "1\n2\n");
  awk_nr = 7;
  awk_fnr = 3;
  EXPECT_EQ(getlineFrom("in.txt"), 1);
  EXPECT_EQ(getlineFrom(pipeFrom("echo x")), 1);
  EXPECT_EQ(awk_nr, 7);
  EXPECT_EQ(awk_fnr, 3);
  awk_nr = awk_fnr = 0;
}

// Reading a name last written implicitly closes it (with the warning) and
// reads it from its start; a name opened with fopen for writing is an
// error and stays open.
TEST_F(GetlineTest, DirectionChange) {
  {
    Cell name = strCell("w.txt");
    AwkStream* r = awk_getsf(&name, kOpenWrite | kOpenCreate | kOpenTrunc, "print",
                             GETSF_OPEN | GETSF_CHECKDIR);
    drop(&name);
    ASSERT_NE(r, nullptr);
    ASSERT_TRUE(awk_put_init(r));
    awk_putoutn("one\ntwo\n", 8);
    awk_put_end(0);
  }
  std::string v;
  std::string err = stderrOf([&] { EXPECT_EQ(getlineFrom("w.txt", &v), 1); });
  EXPECT_EQ(v, "one");
  EXPECT_TRUE(contains(err, "getline: Automatically closing file \"w.txt\" previously open for writing"))
      << err;

  Cell f = call(b_fopen, {strCell("e.txt"), strCell("w")});
  ASSERT_NE(f.w.f, nullptr);
  err = stderrOf([&] { EXPECT_EQ(getlineFrom("e.txt", &v), -1); });
  EXPECT_TRUE(contains(err, "getline: file \"e.txt\" is open for writing only")) << err;
  EXPECT_NE(f.w.f->fp, nullptr);
  drop(&f);
}

struct PipeCase {
  const char* cmd;
  std::vector<std::string> records;
  int status;
};

const PipeCase kPipes[] = {
    {"printf 'x\\ny\\n'", {"x", "y"}, 0},
    {"echo only; exit 3", {"only"}, 3},
    {"exit 42", {}, 42},
    {"printf 'no newline'", {"no newline"}, 0},
    {"kill -9 $$", {}, 9 * 256},
};

// A command's lines, then 0 without starting it again; close() reports the
// exit status kept from the end of input.
TEST_F(GetlineTest, CommandRecordsAndCloseStatus) {
  for (const PipeCase& c : kPipes) {
    SCOPED_TRACE(c.cmd);
    std::string v;
    for (const std::string& want : c.records) {
      ASSERT_EQ(getlineFrom(pipeFrom(c.cmd), &v), 1);
      EXPECT_EQ(v, want);
    }
    EXPECT_EQ(getlineFrom(pipeFrom(c.cmd), &v), 0);
    EXPECT_EQ(getlineFrom(pipeFrom(c.cmd), &v), 0);
    EXPECT_EQ(iotest::listed().size(), 1u);
    EXPECT_EQ(callInt(b_close, {strCell(c.cmd)}), c.status);
    EXPECT_TRUE(iotest::listed().empty());
  }
}

// close() of a pipe whose output was not read to the end still waits for
// the command and reports its status (the command ignores SIGPIPE, so
// that it gets to its exit however late it writes).
TEST_F(GetlineTest, CloseBeforeEndOfCommandOutput) {
  const char* cmd = "trap '' PIPE; echo a; echo b 2>/dev/null; exit 6";
  EXPECT_EQ(getlineFrom(pipeFrom(cmd)), 1);
  EXPECT_EQ(callInt(b_close, {strCell(cmd)}), 6);
}

struct CloseCase {
  const char* what;
  std::function<Cell()> arg;
  int result;
};

TEST_F(GetlineTest, CloseResults) {
  const CloseCase cases[] = {
      {"name not open", [] { return strCell("never.txt"); }, -1},
      {"standard stream", [] {
         Cell c{};
         awk_setfileid(&c, iotest::g_stdout.w.f);
         return c;
       }, -1},
      {"fileid of no stream", [] { return fileidCell(nullptr); }, -1},
      {"open file", [] {
         writeFile("c.txt", "1\n");
         getlineFrom("c.txt");
         return strCell("c.txt");
       }, 0},
  };
  for (const CloseCase& c : cases) {
    SCOPED_TRACE(c.what);
    stderrOf([&] { EXPECT_EQ(callInt(b_close, {c.arg()}), c.result); });
  }
}

}  // namespace
