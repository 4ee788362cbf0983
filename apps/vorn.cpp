// vorn: AWK's command line. Compiles the program to a temporary image that
// carries the argument list (-F, -v and the operands, which the run-time
// parses), then replaces itself with the vrun beside it; the run-time
// deletes the temporary image when it ends.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "compiler/tools.h"
#include "image/format.h"
#include "image/writer.h"

using namespace vorn;
using namespace vorn::compiler;

namespace {

const char* kUsage =
    "usage: vorn [-F fs] [-v var=value]... 'program' [--] [file ...]\n"
    "       vorn [-F fs] [-v var=value]... -f progfile [-f progfile]... [--] [file ...]\n"
    "  -F fs          the input field separator\n"
    "  -v var=value   assign a variable before the program starts\n"
    "  -f progfile    read the program from a file (several are modules)\n"
    "  --help         show this text\n"
    "  --version      show the version\n";

int usageError(const std::string& text) {
  std::fprintf(stderr, "vorn: %s\n%s", text.c_str(), kUsage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  vorn::compiler::exitOnOutOfMemory("vorn");
  std::vector<std::string> progFiles, options;
  int i = 1;
  for (; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--") {
      ++i;
      break;
    }
    if (a == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (a == "--version") {
      std::printf("vorn %s\n", kVersionText);
      return 0;
    }
    if (a.size() < 2 || a[0] != '-') break;
    char opt = a[1];
    if (opt != 'f' && opt != 'v' && opt != 'F') return usageError("unknown option " + a);
    std::string value = a.substr(2);
    if (value.empty()) {
      if (++i >= argc) return usageError(std::string("-") + opt + " needs a value");
      value = argv[i];
    }
    if (opt == 'f') {
      progFiles.push_back(value);
    } else if (opt == 'v') {
      if (value.find('=') == std::string::npos || value[0] == '=')
        return usageError("-v needs var=value, not '" + value + "'");
      options.push_back("-v" + value);
    } else {
      // An empty value would end the stored list; "-F" alone takes the
      // next element, so the separator is always spelled out.
      options.push_back(value.empty() ? "-F " : "-F" + value);
    }
  }
  std::vector<SourceInput> sources;
  if (progFiles.empty()) {
    if (i >= argc) return usageError("no program");
    SourceInput s;
    s.name = "cmd.line";
    s.text = argv[i++];
    s.named = false;
    sources.push_back(std::move(s));
  } else {
    for (const std::string& f : progFiles) {
      SourceInput s;
      s.name = f;
      std::string err;
      if (!readSource(f, s.text, err)) {
        std::fprintf(stderr, "vorn: %s\n", err.c_str());
        return 2;
      }
      sources.push_back(std::move(s));
    }
  }
  CompileOptions copt;
  copt.storeArgs = true;
  copt.storedArgs.push_back("vorn");
  for (const std::string& o : options) copt.storedArgs.push_back(o);
  // "--" ends the run-time's option scan and is consumed by it, so an
  // operand that looks like an option stays an operand.
  copt.storedArgs.push_back("--");
  for (; i < argc; ++i) {
    if (argv[i][0] == '\0') continue;  // an empty element would end the list
    copt.storedArgs.emplace_back(argv[i]);
  }
  CompileOutput out;
  if (!compileAndReport(sources, copt, out)) return 2;

  const char* tmpdir = std::getenv("TMPDIR");
  std::string path = std::string(tmpdir && *tmpdir ? tmpdir : "/tmp") + "/vornXXXXXX.ae";
  std::vector<char> name(path.begin(), path.end());
  name.push_back('\0');
  int fd = mkstemps(name.data(), 3);
  if (fd < 0) {
    std::fprintf(stderr, "vorn: cannot create a temporary file: %s\n", std::strerror(errno));
    return 2;
  }
  size_t done = 0;
  while (done < out.image.size()) {
    ssize_t n = write(fd, out.image.data() + done, out.image.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      std::fprintf(stderr, "vorn: cannot write %s: %s\n", name.data(), std::strerror(errno));
      close(fd);
      unlink(name.data());
      return 2;
    }
    done += size_t(n);
  }
  close(fd);
  std::string vrun = executableDir() + "vrun";
  char* args[] = {const_cast<char*>("vrun"), name.data(), nullptr};
  execv(vrun.c_str(), args);
  std::fprintf(stderr, "vorn: cannot run %s: %s\n", vrun.c_str(), std::strerror(errno));
  unlink(name.data());
  return 2;
}
