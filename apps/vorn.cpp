// vorn: AWK's command line. Compiles the program into an image in memory
// that carries the argument list (-F, -v and the operands, which the
// run-time parses) and runs it in this same process: nothing is written to
// disk, and no second program is started and loaded.
#include <getopt.h>

#include <cstdio>
#include <string>
#include <vector>

#include "compiler/tools.h"
#include "image/format.h"
#include "runtime/startup.h"

using namespace vorn;
using namespace vorn::compiler;

namespace {

const char* kUsage =
    "usage: vorn [options] 'program' [--] [file ...]\n"
    "       vorn [options] -f progfile [-f progfile]... [--] [file ...]\n"
    "  -F fs, --field-separator=fs      the input field separator\n"
    "  -v var=value, --assign=var=value assign a variable before the program starts\n"
    "  -f progfile, --file=progfile     read the program from a file (several are modules)\n"
    "  -w, --no-warnings                show no warnings or notes, of the compiler or the run\n"
    "  --help                           show this text\n"
    "  --version                        show the version\n"
    "  --                               end of the options\n";

int usageError(const std::string& text) {
  std::fprintf(stderr, "vorn: %s\n%s", text.c_str(), kUsage);
  return 2;
}

enum : int { kOptHelp = 256, kOptVersion };

const option kLongOptions[] = {
    {"field-separator", required_argument, nullptr, 'F'},
    {"assign", required_argument, nullptr, 'v'},
    {"file", required_argument, nullptr, 'f'},
    {"no-warnings", no_argument, nullptr, 'w'},
    {"help", no_argument, nullptr, kOptHelp},
    {"version", no_argument, nullptr, kOptVersion},
    {nullptr, 0, nullptr, 0},
};

}  // namespace

int main(int argc, char** argv, char** envp) {
  vorn::compiler::exitOnOutOfMemory("vorn");
  std::vector<std::string> progFiles, options;
  CompileOptions copt;
  // "+": options end at the first operand, as in POSIX awk; getopt_long
  // consumes a "--" that ends them.
  opterr = 0;
  int opt;
  while ((opt = getopt_long(argc, argv, "+:F:v:f:w", kLongOptions, nullptr)) != -1) {
    switch (opt) {
      case kOptHelp:
        std::fputs(kUsage, stdout);
        return 0;
      case kOptVersion:
        std::printf("vorn %s\n", kVersionText);
        return 0;
      case 'w':
        options.push_back("-w");
        copt.quietWarnings = true;
        break;
      case 'f':
        progFiles.push_back(optarg);
        break;
      case 'v': {
        std::string value = optarg;
        if (value.find('=') == std::string::npos || value[0] == '=')
          return usageError("-v needs var=value, not '" + value + "'");
        // The value's escapes are decoded here, as in a string constant, and
        // the name is declared so that an unused one is no mistake.
        std::string name, decoded;
        if (commandAssignment(value, name, decoded)) {
          copt.declaredNames.push_back(name);
          value = decoded;
        }
        options.push_back("-v" + value);
        break;
      }
      case 'F':
        // An empty value would end the stored list; "-F" alone takes the
        // next element, so the separator is always spelled out.
        options.push_back(*optarg ? std::string("-F") + optarg : "-F ");
        break;
      default:
        return usageError(optionProblem(opt, argv));
    }
  }
  int i = optind;
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
  copt.storeArgs = true;
  copt.storedArgs.push_back("vorn");
  for (const std::string& o : options) copt.storedArgs.push_back(o);
  // "--" ends the run-time's option scan and is consumed by it, so an
  // operand that looks like an option stays an operand.
  copt.storedArgs.push_back("--");
  // Operand assignments get the treatment of -v. When every operand is an
  // assignment, "-" is added so that standard input is read after them.
  bool onlyAssignments = i < argc;
  for (; i < argc; ++i) {
    if (argv[i][0] == '\0') continue;  // an empty element would end the list
    std::string operand = argv[i], name, decoded;
    if (commandAssignment(operand, name, decoded)) {
      copt.declaredNames.push_back(name);
      operand = decoded;
    }
    if (operand.find('=') == std::string::npos) onlyAssignments = false;
    copt.storedArgs.push_back(operand);
  }
  if (onlyAssignments) copt.storedArgs.emplace_back("-");
  std::vector<uint8_t> image;
  {
    CompileOutput out;  // the compiler's own tables go before the run starts
    if (!compileAndReport(sources, copt, out)) return 2;
    image = std::move(out.image);
  }
  sources.clear();
  sources.shrink_to_fit();
  awk_main_image(image.data(), image.size(), 1, argv, envp);
}
