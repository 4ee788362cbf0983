// Loader services in-process: candidate paths, the PATH search, plain and
// appended images, and temporary files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "io/globals.h"
#include "runtime/loader.h"
#include "runtime/startup.h"
#include "runtime_helpers.h"
#include "values/alloc.h"

using namespace vorn::image;

namespace {

std::vector<uint8_t> image() { return rtest::minimalWriter().build(); }

std::vector<uint8_t> withTrailer(std::vector<uint8_t> img, size_t junk) {
  std::vector<uint8_t> out(junk, 0xAB);  // stands for the executable
  uint32_t n = uint32_t(img.size());
  out.insert(out.end(), img.begin(), img.end());
  out.insert(out.end(), {uint8_t(n >> 24), uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)});
  return out;
}

TEST(Loader, PlainOrAppendedByName) {
  rtest::TempDir dir;
  // The rule looks at the path as given: ".ae" is too short to be a plain image's.
  struct Case { const char* name; bool trailer; } cases[] = {
      {"x.ae", false}, {"prog.AE", false}, {"prog.Ae", false}, {"prog", true}, {"prog.aex", true}, {".ae", true}};
  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  ASSERT_EQ(chdir(dir.path().c_str()), 0);
  for (const Case& c : cases) {
    awk_vm_reset();
    rtest::writeBytes(c.name, c.trailer ? withTrailer(image(), 777) : image());
    EXPECT_EQ(vm_open(c.name), 1) << c.name;
    EXPECT_EQ(awk_validaefile(), 1) << c.name;
  }
  ASSERT_EQ(chdir(cwd), 0);
  awk_vm_reset();
  EXPECT_EQ(vm_open((dir / "missing.ae").c_str()), 0);
}

// An image in memory loads as the same image read from a file, used where
// it lies: its preparation rewrites the caller's bytes, and dropping it
// frees nothing, even where the bytes before a segment look like a block's
// header. One cut short in its first segment ends the run with the name
// given for it.
TEST(Loader, ImageInMemory) {
  rtest::TempDir dir;
  std::string path = dir / "x.ae";
  std::vector<uint8_t> img = image();
  rtest::writeBytes(path, img);
  awk_vm_reset();
  ASSERT_EQ(vm_open(path.c_str()), 1);
  ASSERT_EQ(awk_validaefile(), 1);
  std::vector<uint8_t> fromFile(awk_segbase[0], awk_segbase[0] + awk_segsize[0]);
  awk_vm_reset();
  // The root's last bytes (sizes of segments it does not have) read as an
  // allocated block's mark and bucket.
  img[kRootSize - 8] = kAllocMark;
  img[kRootSize - 7] = 4;
  vm_borrowimage(img.data(), img.size(), "vorn");
  EXPECT_EQ(awk_segbase[0], img.data() + kRootSize);
  ASSERT_EQ(awk_validaefile(), 1);
  EXPECT_EQ(std::vector<uint8_t>(awk_segbase[0], awk_segbase[0] + awk_segsize[0]), fromFile);
  const int32_t blocks = awk_malloccount;
  awk_vm_reset();
  EXPECT_EQ(awk_malloccount, blocks);
  EXPECT_EQ(img[kRootSize - 8], kAllocMark);

  int status = 0;
  std::string err = tsupport::stderrOf([&] {
    awk_vm_reset();
    status = rtest::exitOf([&] { vm_borrowimage(img.data(), kRootSize + 9, "vorn"); });
  });
  EXPECT_EQ(status, 2);
  EXPECT_NE(err.find("(3) error reading file vorn"), std::string::npos) << err;
  awk_vm_reset();
}

TEST(Loader, CandidatePaths) {
  rtest::TempDir tmp;
  const std::string& dir = tmp.path();
  rtest::writeBytes(dir + "/prog", withTrailer(image(), 10));
  rtest::writeBytes(dir + "/other.ae", image());
  struct { std::string dir, name, ext; int opened; std::string path; } cases[] = {  // path: awk_progpath
      {dir, "prog", "", 1, dir + "/prog"},
      {dir + "/", "prog", "", 1, dir + "/prog"},
      {"", dir + "/prog", "", 1, dir + "/prog"},
      {dir, "other", ".ae", 1, dir + "/other.ae"},      // no extension: ext appended
      {dir, "other.ae", ".xx", 1, dir + "/other.ae"},   // has one: kept
      {dir, "nothere", "", 0, ""},
      {"/" + std::string(300, 'd'), "prog", "", 0, ""},  // would not fit: skipped
  };
  for (const auto& c : cases) {
    awk_vm_reset();
    EXPECT_EQ(awk_openprog(c.dir.c_str(), c.name.c_str(), c.ext.c_str()), c.opened) << c.dir << " " << c.name;
    EXPECT_EQ(awk_imageopened, c.opened);
    if (c.opened) { EXPECT_EQ(std::string(awk_progpath), c.path); }
  }
}

TEST(Loader, SearchPath) {
  rtest::TempDir dirA, dirB;
  const std::string &a = dirA.path(), &b = dirB.path();
  rtest::writeBytes(b + "/tool", withTrailer(image(), 5));
  std::string saved = std::getenv("PATH") ? std::getenv("PATH") : "";
  struct Case { std::string path; int found; } cases[] = {  // "<unset>" unsets PATH
      {a + "::" + b, 1}, {":" + b + "/", 1}, {a, 0}, {"", 0}, {"<unset>", 0},
      {std::string(290, 'x') + ":" + b, 0}};   // cut at 299 characters
  for (const Case& c : cases) {
    awk_vm_reset();
    c.path == "<unset>" ? unsetenv("PATH") : setenv("PATH", c.path.c_str(), 1);
    EXPECT_EQ(awk_searchpath("tool"), c.found) << c.path;
    if (c.found) { EXPECT_EQ(std::string(awk_progpath), b + "/tool"); }
  }
  setenv("PATH", saved.c_str(), 1);
}

TEST(Loader, TemporaryFiles) {
  rtest::TempDir tmp;
  std::string dir = tmp.path(), prefix = dir + "/awktmp.";
  // The second name in a directory skips the one already taken.
  std::string previous;
  for (const std::string& tmp : {dir, dir + "/", dir + ";x", dir}) {
    awk_tmpdir = stringNew(tmp);
    char buf[260];
    int fd = awk_opentmp(buf);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(std::string(buf).rfind(prefix, 0), 0u) << buf;
    EXPECT_EQ(std::strlen(buf), prefix.size() + 3);
    EXPECT_NE(buf, previous);
    previous = buf;
    struct stat st;
    ASSERT_EQ(fstat(fd, &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    close(fd);
    stringFree(awk_tmpdir);
  }
  awk_tmpdir = stringNew("/" + std::string(241, 't'));
  char buf[260];
  EXPECT_EQ(rtest::exitOf([&] { awk_opentmp(buf); }), 2) << "a directory name of 242 characters";
  stringFree(awk_tmpdir);
  awk_tmpdir = nullptr;
}

}  // namespace
