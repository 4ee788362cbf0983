// Feeds arbitrary bytes to the compiler as AWK source: lexer, parser,
// resolver, code generator and image output. Whatever the text, the
// compiler must end with an image or with located messages, never crash,
// throw, or loop. NUL bytes split the input into modules (as several -f
// files would), so that statics, module lookups and cross-module calls are
// reached too.
//
// An image the compiler accepts is then handed to the run-time's loader:
// the loader's one-time check of every function (opcodes, operands, jump
// targets, local offsets, gids, string objects) must accept it. A refusal
// is a code-generation bug and aborts the run.
#include <unistd.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "compiler/compile.h"
#include "runtime/loader.h"
#include "runtime/startup.h"
#include "values/strobj.h"

using namespace vorn::compiler;

namespace {

std::jmp_buf exitJump;
void exitHook(int) { std::longjmp(exitJump, 1); }

std::string imagePath;

std::vector<SourceInput> split(const uint8_t* data, size_t size) {
  std::vector<SourceInput> out;
  size_t start = 0;
  for (size_t i = 0; i <= size; ++i) {
    if (i < size && data[i] != 0) continue;
    SourceInput s;
    s.name = "m" + std::to_string(out.size()) + ".awk";
    s.text.assign(reinterpret_cast<const char*>(data) + start, i - start);
    out.push_back(std::move(s));
    start = i + 1;
    if (out.size() == 4) {
      // Whatever follows the fourth separator belongs to the last module.
      if (start < size)
        out.back().text.append(reinterpret_cast<const char*>(data) + start - 1, size - start + 1);
      break;
    }
  }
  return out;
}

// The loader must take the image as it is; any refusal aborts.
void load(const std::vector<uint8_t>& image) {
  FILE* f = std::fopen(imagePath.c_str(), "wb");
  if (!f) return;
  std::fwrite(image.data(), 1, image.size(), f);
  std::fclose(f);
  awk_vm_reset();
  awk_exithook = exitHook;
  if (setjmp(exitJump) != 0) {
    std::fprintf(stderr, "the loader refused a compiled image\n");
    std::abort();
  }
  if (!vm_open(imagePath.c_str()) || !awk_validaefile()) {
    std::fprintf(stderr, "the loader refused a compiled image\n");
    std::abort();
  }
  awk_readroot();
  awk_exithook = nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::string dir = "/dev/shm";
  if (access(dir.c_str(), W_OK) != 0) dir = "/tmp";
  imagePath = dir + "/vorn-fuzzparse-" + std::to_string(getpid()) + ".ae";
  string_empty = stringNew("");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 64 * 1024) return 0;
  std::vector<SourceInput> sources = split(data, size);
  CompileOptions opt;
  // Odd first bytes also store an argument list, as vorn does.
  if (size > 0 && (data[0] & 1)) {
    opt.storeArgs = true;
    opt.storedArgs = {"vorn", "-vx=1", "--", "file"};
  }
  Diagnostics diag;
  CompileOutput out;
  bool ok = compileProgram(sources, opt, diag, out);
  std::string text = diag.format();
  if (ok != (diag.errorCount() == 0)) {
    std::fprintf(stderr, "compileProgram's result disagrees with its messages\n%s", text.c_str());
    std::abort();
  }
  if (!ok && text.find("error: ") == std::string::npos) {
    std::fprintf(stderr, "a failed compilation reported no error\n");
    std::abort();
  }
  if (ok) load(out.image);
  return 0;
}
