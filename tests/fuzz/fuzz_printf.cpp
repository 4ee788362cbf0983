// The printf engine over arbitrary formats and arguments: the text up to the
// first NUL is the format; each following NUL-separated piece becomes one
// argument, its first byte choosing int, float or string. The engine must
// produce a result (and maybe an error text), never crash or overrun.
#include <csetjmp>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "format/printf.h"
#include "values/cell.h"
#include "runtime/startup.h"
#include "values/strobj.h"

namespace {
// A run-time message that ends the run (out of memory for a huge width, a
// pattern the record reader cannot use) is a legitimate end: caught here.
std::jmp_buf exitJump;
void exitHook(int) { std::longjmp(exitJump, 1); }
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  string_empty = stringNew("");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  awk_exithook = exitHook;
  if (setjmp(exitJump) != 0) return 0;
  if (size > 2048) return 0;
  std::vector<std::string> pieces(1);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0) pieces.emplace_back();
    else pieces.back().push_back(char(data[i]));
  }
  AwkString* fmt = stringNew1(pieces[0].data(), uint32_t(pieces[0].size()));
  std::vector<Cell> args;
  for (size_t i = 1; i < pieces.size() && i < 16; ++i) {
    const std::string& a = pieces[i];
    Cell c{};
    int kind = a.empty() ? 0 : a[0] % 3;
    std::string body = a.empty() ? "" : a.substr(1);
    if (kind == 0) {
      cellSetInt(&c, int32_t(std::strtol(body.c_str(), nullptr, 10)));
    } else if (kind == 1) {
      cellSetFloat(&c, std::strtod(body.c_str(), nullptr), int16_t(body.size() % 401));
    } else {
      cellSetString(&c, stringNew1(body.data(), uint32_t(body.size())));
    }
    args.push_back(c);
  }
  const char* err = nullptr;
  AwkString* out = awk_asprintf(fmt, int(args.size()), args.data(), &err);
  if (!out) std::abort();
  stringFree(out);
  for (Cell& c : args)
    if (c.tag == Tag::String) stringFree(c.w.s);
  stringFree(fmt);
  return 0;
}
