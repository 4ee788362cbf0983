// The places (function gid, line, message format) whose located note has
// been shown. A note's format is one of the run-time's constant texts, so
// its address identifies the message.
#include "runtime/noteonce.h"

#include <cstdint>
#include <set>
#include <tuple>

// Weak, as in the diagnostics: single-layer tests link without the
// interpreter.
[[gnu::weak]] extern int32_t awk_linenumber;
[[gnu::weak]] extern int16_t awk_fun_gid;

bool awk_note_repeated(const char* format) {
  if (!&awk_linenumber || !&awk_fun_gid) return false;
  int line = int(awk_linenumber & 0x7FFF);
  if (line == 0 || awk_fun_gid == 0) return false;
  static std::set<std::tuple<int, int, const char*>> shown;
  return !shown.emplace(int(awk_fun_gid), line, format).second;
}
