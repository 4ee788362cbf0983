// Stream table: mode strings, name lookup, open modes and FILEMODE,
// direction conflicts, close in its three ways, orphans, pipes, BUFSIZE.
#include <sys/resource.h>

#include <cerrno>
#include <cstring>

#include "io/sfbuf.h"
#include "io_fixture.h"

using namespace iotest;

namespace {

struct ModeCase { const char* text; int omode; uint16_t flags; uint16_t share; bool bad; };

const ModeCase kModes[] = {
    {"r", O_RDONLY, 0, 0, false}, {"w", O_WRONLY | O_CREAT | O_TRUNC, 0, 0, false},
    {"a", O_WRONLY | O_APPEND | O_CREAT, 0, 0, false}, {"r+", O_RDWR, 0, 0, false},
    {"w+", O_RDWR | O_CREAT | O_TRUNC, 0, 0, false}, {"a+", O_RDWR | O_APPEND | O_CREAT, 0, 0, false},
    {"we", O_WRONLY | O_CREAT | O_TRUNC | O_EXCL, 0, 0, false}, {"rb", O_RDONLY, SF_BINARY, 0, false},
    {"wt", O_WRONLY | O_CREAT | O_TRUNC, SF_TEXT, 0, false}, {"rf", O_RDONLY, SF_FLUSHEACH, 0, false},
    {"rn", O_RDONLY, SF_NOINHERIT, 0, false}, {"rh", O_RDONLY, SF_HFLAG, 0, false},
    {"rH", O_RDONLY, SF_HFLAG, 0, false}, {"rS", O_RDONLY, SF_SOCKET, 0, false},
    {"rF", O_RDONLY, SF_FILEPTR, 0, false}, {"rd+", O_RDONLY, 0, 0x10, false},
    {"wdw", O_WRONLY | O_CREAT | O_TRUNC, 0, 0x20, false}, {"rdr", O_RDONLY, 0, 0x30, false},
    {"rdn+", O_RDWR, 0, 0x40, false}, {"rbfn", O_RDONLY, SF_BINARY | SF_FLUSHEACH | SF_NOINHERIT, 0, false},
    {"rbt", O_RDONLY, SF_BINARY | SF_TEXT, 0, true}, {"rdx", O_RDONLY, 0, 0, true},
    {"rd", O_RDONLY, 0, 0, true},          // 'd' at the very end
    {"", 0, 0, 0, true}, {"x", 0, 0, 0, true}, {"+r", O_RDONLY, 0, 0, true}, {"rz", O_RDONLY, 0, 0, true},
    {"rw", O_WRONLY | O_CREAT | O_TRUNC, 0, 0, true},   // two access letters
};

TEST(IoModeStrings, ParseTable) {
  for (const ModeCase& m : kModes) {
    SCOPED_TRACE(std::string("mode \"") + m.text + "\"");
    uint16_t flags = 0, share = 0;
    int omode = 0;
    std::string err = tsupport::stderrOf([&] { omode = awk_parsemode(m.text, &flags, &share, 0, "fopen"); });
    EXPECT_EQ(omode, m.omode);
    EXPECT_EQ(flags, m.flags);
    EXPECT_EQ(share, m.share);
    EXPECT_EQ(err.find("invalid fopen argument") != std::string::npos, m.bad) << err;
  }
}

AwkStream* openForWrite(const std::string& name) {
  Cell c = strCell(name);
  AwkStream* r = awk_getsf(&c, O_WRONLY | O_CREAT | O_TRUNC, "print", GETSF_OPEN | GETSF_REPORT | GETSF_CHECKDIR);
  drop(&c);
  return r;
}

AwkStream* find(const std::string& name) {
  AwkString* s = stringNew(name);
  AwkStream* r = awk_findsf(s, 0);
  stringFree(s);
  return r;
}

TEST_F(IoTest, OrphansAreReapedOnceUnreferenced) {
  AwkStream* r = openFile("kept", O_WRONLY | O_CREAT | O_TRUNC, SF_EXPLICIT);
  ASSERT_NE(r, nullptr);
  Cell held = fileidCell(r);
  r->refs = 1;   // as fopen leaves it: its result cell holds it
  Cell copy = held;
  awk_access(&copy);
  EXPECT_EQ(r->refs, 2);

  EXPECT_EQ(awk_sfclose(r, 2), 0);
  EXPECT_TRUE(r->flags & SF_ORPHAN);
  EXPECT_EQ(r->name, nullptr);
  EXPECT_EQ(r->fp, nullptr);
  EXPECT_TRUE(isListed(r));

  // Output to the orphan writes nothing and reports nothing.
  EXPECT_EQ(tsupport::stderrOf([&] { call(b___fprint, {fileidCell(r), intCell(1), strCell("lost")}); }), "");

  drop(&copy);
  find("anything");
  EXPECT_TRUE(isListed(r)) << "still referenced";
  drop(&held);
  EXPECT_EQ(r->refs, 0);
  find("anything");
  EXPECT_FALSE(isListed(r));
  EXPECT_EQ(readFile("kept"), "");
}

// Values that designate no stream, a name with a NUL byte among them.
TEST_F(IoTest, ValuesThatOpenNothing) {
  struct { Cell cell; int gflags; const char* caller; const char* msg; } cases[] = {
      {intCell(3), GETSF_OPEN | GETSF_REDIR, "print", "print: invalid file redirection argument"},
      {intCell(3), GETSF_OPEN, "fwrite", "fwrite: invalid file argument"},
      {Cell{}, 0, "close", "close: invalid file argument"},
      {fileidCell(nullptr), 0, "close", "close: file is not open"},
      {fileidCell(nullptr), GETSF_QUIET, "close", ""},
      {strCell(std::string("abc\0def", 7)), GETSF_OPEN | GETSF_REPORT, "print", "Can not open file"},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.msg);
    AwkStream* r = nullptr;
    std::string err =
        tsupport::stderrOf([&] { r = awk_getsf(&c.cell, O_WRONLY | O_CREAT, c.caller, c.gflags); });
    EXPECT_EQ(r, nullptr);
    if (*c.msg) {
      EXPECT_NE(err.find(c.msg), std::string::npos) << err;
    } else {
      EXPECT_EQ(err, "");
    }
    drop(&c.cell);
  }
  EXPECT_FALSE(std::filesystem::exists("abc"));
}


TEST_F(IoTest, OutOfFileHandles) {
  Cell c = strCell("many");
  struct rlimit old;
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &old), 0);
  testing::internal::CaptureStderr();
  int probe = dup(0);
  ASSERT_GE(probe, 0);
  close(probe);
  struct rlimit low = old;
  low.rlim_cur = rlim_t(probe);      // the next descriptor cannot be had
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
  AwkStream* r = awk_getsf(&c, O_WRONLY | O_CREAT, "print", GETSF_OPEN | GETSF_REPORT);
  AwkStream* pipe = openPipe("cat");
  setrlimit(RLIMIT_NOFILE, &old);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(r, nullptr);
  EXPECT_EQ(pipe, nullptr);
  size_t first = err.find("Out of file handles; use close() to close some files or pipes.");
  ASSERT_NE(first, std::string::npos) << err;
  EXPECT_NE(err.find("Out of file handles", first + 1), std::string::npos) << err;
  EXPECT_EQ(err.find("Can not open file"), std::string::npos);
  drop(&c);
}

TEST_F(IoTest, FileModeAppliesToImplicitReads) {
  const char* kept = "0123456789";
  struct { const char* filemode; int access; uint16_t flags; const char* after; } cases[] = {
      {"", O_RDONLY, 0, kept}, {"r", O_RDONLY, 0, kept}, {"rf", O_RDONLY, SF_FLUSHEACH, kept},
      {"r+", O_RDWR, 0, kept}, {"w+", O_RDWR, 0, ""},   // truncates, as its letters say
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.filemode);
    writeFile("fm", kept);
    drop(&g_filemode);
    g_filemode = strCell(c.filemode);
    AwkStream* r = openFile("fm", O_RDONLY);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->omode & O_ACCMODE, c.access);
    EXPECT_EQ(r->flags & SF_FLUSHEACH, c.flags);
    awk_sfclose(r, 2);
    EXPECT_EQ(readFile("fm"), c.after);
  }
  // Without GETSF_OPEN (explicit opening by the file builtins) FILEMODE is not read.
  drop(&g_filemode);
  g_filemode = strCell("r+");
  AwkStream* r = openFile("fm", O_RDONLY, 0, 0);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->omode & O_ACCMODE, O_RDONLY);
  drop(&g_filemode);
  // A FILEMODE that cannot read ends the run.
  writeFile("fm2", "x");
  EXPECT_EXIT({ g_filemode = strCell("a"); openFile("fm2", O_RDONLY); }, testing::ExitedWithCode(2),
              "invalid FILEMODE");
}

// Created files are the owner's only, whatever the umask; a fileid is
// taken as it is, in any mode, opening or not.
TEST_F(IoTest, CreatedFilesAreOwnerOnlyAndFileidsTakenAsTheyAre) {
  mode_t old = umask(0);
  AwkStream* r = openForWrite("perm");
  umask(old);
  ASSERT_NE(r, nullptr);
  uint16_t mode = 0;
  ASSERT_EQ(awk_getfilemode("perm", &mode), 0);
  EXPECT_EQ(mode & 0777, 0600);
  EXPECT_EQ(awk_getfilemode("does-not-exist", &mode), -1);
  EXPECT_EQ(awk_fileaccess("perm", R_OK), 0);
  Cell id = fileidCell(r);
  EXPECT_EQ(awk_getsf(&id, O_RDONLY, "ftell", 0), r);
  EXPECT_EQ(awk_getsf(&id, O_RDWR, "fread", GETSF_OPEN), r);
  drop(&id);
}

TEST_F(IoTest, DashReadsWhatStdinDesignates) {
  // stdin holds the standard record's fileid: "-" is that record.
  EXPECT_EQ(openFile("-", O_RDONLY), awk_stdinsf);
  Cell saved = g_stdin;
  g_stdin = strCell("-");
  EXPECT_EQ(openFile("-", O_RDONLY), awk_stdinsf);
  drop(&g_stdin);
  writeFile("redirected", "r\n");
  g_stdin = strCell("redirected");
  AwkStream* r = openFile("-", O_RDONLY);
  ASSERT_NE(r, nullptr);
  EXPECT_NE(r, awk_stdinsf);
  EXPECT_EQ(r->name->view(), "redirected");
  drop(&g_stdin);
  g_stdin = saved;
}

TEST_F(IoTest, BufsizeNormalisedAtOpen) {
  struct { int32_t set; int32_t after; bool buffer; } cases[] = {
      {4096, 4096, true}, {100, 256, true}, {-5, 256, true}, {70000, 70000 & 0xFFFF, true}, {65536, 0, false}};
  for (auto& c : cases) {
    SCOPED_TRACE(c.set);
    awk_bufsize = c.set;
    AwkStream* r = openForWrite("buf");
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(awk_bufsize, c.after);
    EXPECT_EQ(r->buf != nullptr, c.buffer);
    call(b___fprint, {strCell("buf"), intCell(1), strCell("data")});
    awk_sfclose(r, 2);
    EXPECT_EQ(readFile("buf"), "data\n");
  }
  awk_bufsize = 4096;
}

TEST_F(IoTest, DevicesAreFlushEach) {
  Cell c = strCell("/dev/null");
  AwkStream* r = awk_getsf(&c, O_WRONLY | O_CREAT | O_TRUNC, "print", GETSF_OPEN);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->flags & (SF_DEVICE | SF_FLUSHEACH), SF_DEVICE | SF_FLUSHEACH);
  EXPECT_EQ(r->buf, nullptr);
  EXPECT_FALSE(r->flags & SF_TTY);
  EXPECT_FALSE(awk_isopen(c.w.s)) << "devices do not count as open input files";
  drop(&c);
}

TEST_F(IoTest, PipeStatusAfterReaderClosedItsInput) {
  AwkStream* r = openPipe("exec 0<&-; touch closed.flag; sleep 0.2; exit 0");
  ASSERT_NE(r, nullptr);
  for (int i = 0; i < 500 && !std::filesystem::exists("closed.flag"); ++i) usleep(10000);
  ASSERT_TRUE(std::filesystem::exists("closed.flag"));
  // Still buffered: the write fails only when the stream is closed.
  call(b___fprint, {fileidCell(r), intCell(1), strCell("undeliverable")});
  EXPECT_GT(awk_sfpending(r->fp), 0u);
  EXPECT_EQ(awk_sfclose(r, 2), 0) << "the status, not the failed final write";
}

TEST_F(IoTest, ThreeWays) {
  AwkStream* r = openForWrite("three");
  call(b___fprint, {strCell("three"), intCell(1), strCell("12345")});
  // how 0: closed, record, name and position kept; the name still finds it.
  EXPECT_EQ(awk_sfclose(r, 0), 0);
  EXPECT_EQ(r->fp, nullptr);
  EXPECT_EQ(r->closepos, 6);
  EXPECT_EQ(r->status, 0);
  EXPECT_EQ(find("three"), r);
  // how 1 on an implicit record: gone.
  awk_datasf = r;
  EXPECT_EQ(awk_sfclose(r, 1), 0);
  EXPECT_EQ(awk_datasf, nullptr);
  EXPECT_EQ(find("three"), nullptr);
  EXPECT_TRUE(listed().empty());
  // standard streams are never closed
  AwkStream* so = g_stdout.w.f;
  EXPECT_EQ(awk_sfclose(awk_stdinsf, 2), -1);
  EXPECT_EQ(awk_sfclose(so, 2), -1);
  EXPECT_NE(so->fp, nullptr);
  EXPECT_EQ(so->name->view(), "stdout");
}

// A write error that only shows when the last buffer goes out is still an error.
TEST_F(IoTest, WriteErrorAtCloseIsAnErrorStatus) {
  Cell full = strCell("/dev/full");
  AwkStream* f = awk_getsf(&full, O_WRONLY, "print", GETSF_OPEN);
  ASSERT_NE(f, nullptr);
  f->flags &= uint16_t(~SF_FLUSHEACH);
  call(b___fprint, {full, intCell(1), strCell("x")});
  awk_sfclose(f, 0);
  EXPECT_EQ(f->status, 1);
  drop(&full);
}

// setmodeall and flushall(0) flush files and close nothing; flushall(1)
// abandons the pipes.
TEST_F(IoTest, FlushAllFlushesFilesNotPipes) {
  AwkStream* f = openForWrite("fl");
  call(b___fprint, {strCell("fl"), intCell(1), strCell("pending")});
  EXPECT_EQ(readFile("fl"), "");
  awk_setmodeall();
  EXPECT_EQ(readFile("fl"), "pending\n");
  call(b___fprint, {strCell("fl"), intCell(1), strCell("more")});
  AwkStream* p = openPipe("cat > flp");
  call(b___fprint, {fileidCell(p), intCell(1), strCell("held")});
  awk_flushall(0);
  EXPECT_EQ(readFile("fl"), "pending\nmore\n");
  EXPECT_NE(f->fp, nullptr);
  EXPECT_NE(p->fp, nullptr);
  awk_flushall(1);      // abandon: pipes are closed without recording
  EXPECT_EQ(p->fp, nullptr);
  EXPECT_TRUE(isListed(p));
  EXPECT_EQ(readFile("flp"), "held\n") << "pclose still delivers what was buffered";
}

TEST_F(IoTest, EmptyPipeCommandStartsNothing) {
  AwkStream* p = nullptr;
  EXPECT_NE(tsupport::stderrOf([&] { p = openPipe(""); }).find("Failure of pipe \"\""), std::string::npos);
  EXPECT_EQ(p, nullptr);
  EXPECT_TRUE(listed().empty());
}

}  // namespace
