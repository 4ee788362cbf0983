// The pattern compiler and matcher over arbitrary patterns and subjects:
// the first byte picks compile and match flags, the text up to the first
// NUL is the pattern, the rest the subject. Compilation must succeed or
// leave a diagnostic; a compiled pattern is matched from every start, with
// the group positions read back, asked as a condition (awk_rematches) and
// fed byte by byte as the record reader feeds it. Nothing may crash, read out of bounds or hang.
#include <csetjmp>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "regex/regex.h"
#include "runtime/startup.h"
#include "values/strobj.h"

namespace {
// A run-time message that ends the run (out of memory for a huge width, a
// pattern the record reader cannot use) is a legitimate end: caught here.
std::jmp_buf exitJump;
void exitHook(int) { std::longjmp(exitJump, 1); }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  awk_exithook = exitHook;
  if (setjmp(exitJump) != 0) return 0;
  if (size < 1 || size > 4096) return 0;
  const int flags = data[0];
  const char* text = reinterpret_cast<const char*>(data + 1);
  size_t rest = size - 1;
  const void* nul = std::memchr(text, 0, rest);
  size_t plen = nul ? size_t(static_cast<const char*>(nul) - text) : rest;
  const char* subject = nul ? text + plen + 1 : text;
  int32_t slen = int32_t(nul ? rest - plen - 1 : rest);

  AwkPattern* p = awk_regcomp(text, int32_t(plen), flags & 0x3F);
  if (!p) {
    if (!awk_ereerr()) std::abort();   // a refusal always says why
    return 0;
  }
  for (int32_t start = 0; start <= slen && start < 64; ++start) {
    int32_t end = awk_erematch(p, subject, slen, start, 0, flags & 0xC0 ? 64 : 0);
    if (end < 0 || end > slen + 1) std::abort();
    int32_t s, e;
    if (end > 0 && awk_erepatpos(&s, &e) && (s < 0 || e < s || e > slen)) std::abort();
    for (int g = 1; g <= 10; ++g) awk_ereparenpos(g, &s, &e);
  }
  // Searched once, the pattern is analyzed: the condition's short road
  // must give the matcher's answer.
  const int cond = flags & 0xC0 ? 64 : 0;
  if (awk_rematches(p, subject, slen, cond) != (awk_erematch(p, subject, slen, 0, 0, cond) != 0))
    std::abort();
  // Where a plain text is said to first occur is where the matcher starts.
  if (const int32_t at = awk_literalat(p, subject, slen); at != -2) {
    int32_t s = -1, e = -1;
    const bool found = awk_erematch(p, subject, slen, 0, 0, 0) != 0 && awk_erepatpos(&s, &e);
    if ((at >= 0) != found || (found && at != s)) std::abort();
  }
  // A pattern said to match exactly the runs of a byte set matches the
  // leftmost maximal run.
  if (const bool* set = awk_rerunset(p)) {
    const auto* u = reinterpret_cast<const unsigned char*>(subject);
    int32_t rs = 0;
    while (rs < slen && !set[u[rs]]) ++rs;
    int32_t re = rs;
    while (re < slen && set[u[re]]) ++re;
    int32_t s = -1, e = -1;
    const bool found = awk_erematch(p, subject, slen, 0, 0, 0) != 0 && awk_erepatpos(&s, &e);
    if ((rs < slen) != found || (found && (s != rs || e != re))) std::abort();
  }
  awk_eresetup(p, 0);
  for (int32_t i = 0; i < slen; ++i)
    if (awk_erestep(static_cast<unsigned char>(subject[i]), i)) break;
  awk_erestep(-1, slen);
  awk_ererelease(p);
  return 0;
}
