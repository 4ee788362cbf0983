// vornc: compiles AWK source files into a program image, binds an image to
// the run-time as an executable, or dumps an image.
#include <getopt.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <strings.h>
#include <string>
#include <vector>

#include "compiler/tools.h"
#include "image/disasm.h"
#include "image/writer.h"

using namespace vorn;
using namespace vorn::compiler;

namespace {

const char* kUsage =
    "usage: vornc [-o output] [--bind] file.awk...\n"
    "       vornc --dump image.ae\n"
    "Compiles the AWK programs (one module per file) into a program image.\n"
    "  -o output   where to write the result (default: the first file's name\n"
    "              with the extension .ae, or without an extension for --bind)\n"
    "  --bind      write an executable: the run-time vrun with the image bound to it\n"
    "  --dump      print a readable listing of an image or bound executable\n"
    "  --help      show this text\n"
    "  --version   show the version\n";

int usageError(const std::string& text) {
  std::fprintf(stderr, "vornc: %s\n%s", text.c_str(), kUsage);
  return 2;
}

enum : int { kOptBind = 256, kOptDump, kOptVersion };

const option kLongOptions[] = {
    {"bind", no_argument, nullptr, kOptBind},
    {"dump", no_argument, nullptr, kOptDump},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, kOptVersion},
    {nullptr, 0, nullptr, 0},
};

// A bound executable whose name ends in ".ae" would be read by the
// run-time as a plain image, which it is not; such a name is refused.
bool namesAnImage(const std::string& path) {
  return path.size() >= 3 && strcasecmp(path.c_str() + path.size() - 3, ".ae") == 0;
}

std::string defaultOutput(const std::string& src, bool bind) {
  std::string base = src;
  size_t slash = base.rfind('/');
  if (slash != std::string::npos) base = base.substr(slash + 1);
  size_t dot = base.rfind('.');
  if (dot != std::string::npos && dot > 0) base = base.substr(0, dot);
  if (base.empty() || base == "-") base = "a";
  return bind ? base : base + ".ae";
}

int dump(const std::string& path) {
  std::string bytes, err;
  if (!readSource(path, bytes, err)) {
    std::fprintf(stderr, "vornc: %s\n", err.c_str());
    return 2;
  }
  std::string text = image::dumpImage(std::span<const uint8_t>(
      reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
  std::fputs(text.c_str(), stdout);
  return text.rfind("error:", 0) == 0 ? 2 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  vorn::compiler::exitOnOutOfMemory("vornc");
  std::string output;
  bool bind = false, dumpImage = false;
  opterr = 0;
  int opt;
  while ((opt = getopt_long(argc, argv, ":ho:", kLongOptions, nullptr)) != -1) {
    switch (opt) {
      case 'h':
        std::fputs(kUsage, stdout);
        return 0;
      case kOptVersion:
        std::printf("vornc %s\n", kVersionText);
        return 0;
      case kOptDump:
        dumpImage = true;
        break;
      case kOptBind:
        bind = true;
        break;
      case 'o':
        output = optarg;
        break;
      default:
        return usageError(optionProblem(opt, argv));
    }
  }
  std::vector<std::string> files(argv + optind, argv + argc);
  if (dumpImage) {
    if (files.empty()) return usageError("--dump needs an image file");
    if (files.size() > 1) return usageError("--dump takes one file");
    return dump(files[0]);
  }
  if (files.empty()) return usageError("no source files");
  if (output.empty()) output = defaultOutput(files[0], bind);
  if (bind && namesAnImage(output))
    return usageError("a bound executable's name cannot end in .ae (the run-time would take it "
                      "for an image): " + output);
  std::vector<SourceInput> sources;
  for (const std::string& f : files) {
    SourceInput s;
    s.name = f;
    std::string err;
    if (!readSource(f, s.text, err)) {
      std::fprintf(stderr, "vornc: %s\n", err.c_str());
      return 2;
    }
    sources.push_back(std::move(s));
  }
  CompileOutput out;
  if (!compileAndReport(sources, CompileOptions{}, out)) return 2;
  // The output must not replace one of the sources it was compiled from.
  struct stat out_st, in_st;
  if (::stat(output.c_str(), &out_st) == 0 && S_ISREG(out_st.st_mode)) {
    for (const std::string& f : files) {
      if (::stat(f.c_str(), &in_st) == 0 && in_st.st_dev == out_st.st_dev &&
          in_st.st_ino == out_st.st_ino) {
        std::fprintf(stderr, "vornc: %s is an input file; not overwriting it\n", output.c_str());
        return 2;
      }
    }
  }
  try {
    if (bind) {
      std::string runtime = executableDir() + "vrun";
      std::string name = output;
      size_t slash = name.rfind('/');
      if (slash != std::string::npos) name = name.substr(slash + 1);
      image::ImageWriter::bind(runtime, output, out.image, name);
    } else {
      image::ImageWriter::writeFile(output, out.image);
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vornc: %s\n", e.what());
    return 2;
  }
  return 0;
}
