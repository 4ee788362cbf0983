// Feeds arbitrary bytes to the loader as a program image: the read, the
// validation and load-time check, the table set-up, and the symbol-table
// and module services. Whatever the bytes, the load must end in acceptance
// or in one of the loader's messages (caught here instead of exiting), and
// an accepted image must satisfy what the interpreter relies on, which the
// walk below re-checks with the interpreter's own operand accessors.
#include <unistd.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "image/format.h"
#include "image/opcodes.h"
#include "runtime/loader.h"
#include "diag/oops.h"
#include "runtime/startup.h"
#include "program/symtab.h"
#include "values/strobj.h"

using namespace vorn::image;

namespace {

std::jmp_buf exitJump;
void exitHook(int) { std::longjmp(exitJump, 1); }

std::string plainPath, boundPath;

// Re-decodes an accepted function with the native accessors: every
// instruction known, every jump on an instruction inside the function.
void walk(unsigned char* hdr) {
  int len = fnLength(hdr);
  std::string boundary(size_t(len), 0);
  for (int pc = kFunctionHeaderSize; pc < len;) {
    int op = hdr[pc];
    if (op % 2 || op / 2 >= kOpcodeCount) std::abort();
    boundary[size_t(pc)] = 1;
    pc += 2 * kOpInfo[op / 2].units;
    if (pc > len) std::abort();
  }
  for (int pc = kFunctionHeaderSize; pc < len;) {
    const OpInfo& info = kOpInfo[hdr[pc] / 2];
    int at = pc + 2;
    for (const char* k = info.operands; *k; ++k) {
      if (*k == 'j') {
        int t = at + opI16(hdr + at);
        if (t < kFunctionHeaderSize || t >= len || !boundary[size_t(t)]) std::abort();
      }
      if (*k == 'a') {
        uint32_t v = opU32w(hdr + at);
        if (vm_room(v) > 0) {
          auto* s = reinterpret_cast<AwkString*>(vm_v2pcode(v));
          if (int64_t(s->len) + kStringHeader + 1 > vm_room(v) || s->text()[s->len] != 0)
            std::abort();
        }
      }
      at += 2 * operandUnits(*k);
    }
    pc += 2 * info.units;
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::string dir = "/dev/shm";
  if (access(dir.c_str(), W_OK) != 0) dir = "/tmp";
  plainPath = dir + "/vorn-fuzz-" + std::to_string(getpid()) + ".ae";
  boundPath = dir + "/vorn-fuzz-" + std::to_string(getpid()) + ".bin";
  string_empty = stringNew("");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  // The first byte chooses the mode: a plain image, or an image behind a
  // trailer as in a bound executable.
  bool bound = data[0] & 1;
  const std::string& path = bound ? boundPath : plainPath;
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data + 1, 1, size - 1, f);
  std::fclose(f);

  awk_vm_reset();
  awk_exithook = exitHook;
  if (setjmp(exitJump) == 0) {
    if (vm_open(path.c_str()) && awk_validaefile()) {
      awk_readroot();
      for (int i = 0; i < awk_nfuncs; ++i)
        if (awk_funaddrs[i]) walk(awk_funaddrs[i]);
      for (const char* name : {"ARGC", "x", "main:x", "a:b", ":BEGIN", "NR"}) awk_gname2gid(name);
      for (int i = 0; i < awk_nfuncs; ++i)
        if (AwkString* s = awk_gid2filename(1000 + i)) stringFree(s);
      char buf[64];
      for (int n = 0; n < awk_nmodules && n < 8; ++n) awk_modno2filename(buf, sizeof buf, n);
    }
  }
  awk_exithook = nullptr;
  return 0;
}
