#include "compiler/tools.h"

#include <getopt.h>
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

bool readSource(const std::string& path, std::string& text, std::string& error) {
  FILE* f = path == "-" ? stdin : std::fopen(path.c_str(), "rb");
  if (!f) {
    error = "cannot open '" + path + "': " + std::strerror(errno);
    return false;
  }
  char buf[65536];
  size_t n;
  text.clear();
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
  bool bad = std::ferror(f);
  if (f != stdin) std::fclose(f);
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
