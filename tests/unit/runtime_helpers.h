// Helpers for the run-time core's tests: temporary directories, minimal
// images, in-process loads, and runs of the real vrun binary.
#pragma once
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "diag/oops.h"
#include "image_asm.h"
#include "test_support.h"

extern char** environ;

namespace rtest {

using vorn::image::ImageWriter;
using vorn::image::Op;
using vorn::testasm::Asm;

// A fresh directory under the system's temporary area. It goes, with all it
// holds, when its owner does, unless the test has failed by then: a failed
// test leaves its files for inspection.
class TempDir {
 public:
  TempDir() {
    char templ[] = "/tmp/vorn-rt-XXXXXX";
    if (mkdtemp(templ)) path_ = templ;
    else ADD_FAILURE() << "mkdtemp: " << std::strerror(errno);
  }
  TempDir(TempDir&& other) noexcept : path_(std::exchange(other.path_, "")) {}
  ~TempDir() {
    if (!path_.empty() && !::testing::Test::HasFailure()) std::filesystem::remove_all(path_);
  }
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

inline void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              std::streamsize(bytes.size()));
}

// Runs f; the status the run ended with, or -1 when f returned.
template <typename F>
int exitOf(F f) {
  awk_exithook = tsupport::exitHook;
  tsupport::exitStatus = -1;
  if (setjmp(tsupport::exitJump) == 0) f();
  awk_exithook = nullptr;
  return tsupport::exitStatus;
}

inline vorn::image::SymbolRecord record(int kind, int gid, std::vector<vorn::image::SymbolDefinition> defs) {
  return {kind, int16_t(gid), 0, std::move(defs)};
}

inline vorn::image::FunctionImage retOnly() { return Asm().op(Op::op_ret).function(); }

// An image whose first BEGIN function (gid 1000) just returns.
inline ImageWriter minimalWriter() {
  ImageWriter w;
  w.setFunction(1000, retOnly());
  w.setRootGid(vorn::image::root::kBegin1Function, 1000);
  return w;
}

// dir holds the run's output files for as long as the result lives.
struct RunResult { int status = -1; std::string out, err; TempDir dir; };

// Runs program with args and the given environment (nullptr: inherit) and no
// input; collects output and status.
inline RunResult run(const std::string& program, std::vector<std::string> args,
                     const std::vector<std::string>* env = nullptr) {
  RunResult r;
  std::string outPath = r.dir / "out", errPath = r.dir / "err";
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&fa, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  args.insert(args.begin(), program);
  std::vector<char*> argv, envp;
  for (auto& s : args) argv.push_back(s.data());
  if (env)
    for (const auto& s : *env) envp.push_back(const_cast<char*>(s.c_str()));
  argv.push_back(nullptr);
  envp.push_back(nullptr);
  pid_t pid;
  int rc = posix_spawn(&pid, program.c_str(), &fa, nullptr, argv.data(), env ? envp.data() : environ);
  posix_spawn_file_actions_destroy(&fa);
  if (rc != 0) return r;
  int status = 0;
  waitpid(pid, &status, 0);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  r.out = tsupport::readFile(outPath);
  r.err = tsupport::readFile(errPath);
  return r;
}

inline std::string vrun() {
  const char* p = std::getenv("VRUN");
  if (!p) ADD_FAILURE() << "VRUN is not set";
  return p ? p : "";
}

}  // namespace rtest
