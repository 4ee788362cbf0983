// vrun: the run-time. Stand-alone it runs the image named by its first
// argument (or answers --help and --version); bound to an image it runs that
// image and hands every operand, --help included, to the program.
#include <cstdio>
#include <cstring>

#include "image/version.h"
#include "runtime/loader.h"
#include "runtime/startup.h"

namespace {

const char* kUsage =
    "usage: vrun image.ae [-F fs] [-v var=value]... [-w] [--] [operand ...]\n"
    "Runs a program image written by vornc. Operands are the program's: files to\n"
    "read, var=value assignments, \"-\" for standard input.\n"
    "  -F fs          the input field separator\n"
    "  -v var=value   assign a variable before the program starts\n"
    "  -w             show no warnings or notes\n"
    "  --help      show this text\n"
    "  --version   show the version\n";

}  // namespace

int main(int argc, char** argv, char** envp) {
  if (!awk_isbound() && argc >= 2) {
    if (std::strcmp(argv[1], "--help") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
      std::printf("vrun %s\n", vorn::kVersionText);
      return 0;
    }
  }
  awk_main(argc, argv, envp);
}
