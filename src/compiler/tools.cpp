#include "compiler/tools.h"

#include <fcntl.h>
#include <getopt.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

#include "compiler/escapes.h"

namespace vorn::compiler {

namespace {
const char* oomProg = "vornc";
// No allocation here: the message is written as it stands.
void outOfMemory() {
  const char tail[] = ": out of memory\n";
  (void)!write(2, oomProg, std::strlen(oomProg));
  (void)!write(2, tail, sizeof tail - 1);
  _exit(2);
}
}  // namespace

void exitOnOutOfMemory(const char* prog) {
  oomProg = prog;
  std::set_new_handler(outOfMemory);
}

// Straight into the string, without a stdio stream and its buffer: a short
// program's whole run starts here, and every page it touches counts.
bool readSource(const std::string& path, std::string& text, std::string& error) {
  const bool isStdin = path == "-";
  int fd = isStdin ? 0 : open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = "cannot open '" + path + "': " + std::strerror(errno);
    return false;
  }
  struct stat st;
  size_t chunk = 4096;
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0)
    chunk = size_t(st.st_size) + 1;  // the read that finds the end fits too
  text.clear();
  bool bad = false;
  for (;;) {
    size_t used = text.size();
    text.resize(used + chunk);
    ssize_t n = read(fd, text.data() + used, chunk);
    if (n < 0 && errno == EINTR) n = 0;
    else if (n <= 0) {
      bad = n < 0;
      text.resize(used);
      break;
    }
    text.resize(used + size_t(n));
    if (chunk < 65536) chunk *= 2;
  }
  if (!isStdin) close(fd);
  if (bad) {
    error = "cannot read '" + path + "'";
    return false;
  }
  return true;
}

std::string executableDir() {
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return {};
  std::string p(buf, size_t(n));
  size_t slash = p.rfind('/');
  return slash == std::string::npos ? std::string() : p.substr(0, slash + 1);
}

bool commandAssignment(const std::string& arg, std::string& name, std::string& decoded) {
  size_t eq = arg.find('=');
  if (eq == 0 || eq == std::string::npos) return false;
  for (size_t i = 0; i < eq; ++i) {
    char c = arg[i];
    bool alpha = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
    if (!alpha && !(i > 0 && c >= '0' && c <= '9')) return false;
  }
  name = arg.substr(0, eq);
  decoded = name;
  decoded += '=';
  decoded += decodeEscapes(arg.substr(eq + 1));
  return true;
}

bool compileAndReport(const std::vector<SourceInput>& sources, const CompileOptions& options,
                      CompileOutput& out) {
  Diagnostics diag;
  bool ok = compileProgram(sources, options, diag, out);
  std::string text = diag.format(options.quietWarnings);
  if (!text.empty()) std::fputs(text.c_str(), stderr);
  return ok && diag.errorCount() == 0;
}

std::string optionProblem(int opt, char** argv) {
  if (opt == ':') return std::string(argv[optind - 1]) + " needs a value";
  return std::string("unknown option ") +
         (optopt ? std::string("-") + char(optopt) : std::string(argv[optind - 1]));
}

}  // namespace vorn::compiler
