// The places (function gid, line, message format) whose located note has
// been shown. A note's format is one of the run-time's constant texts, so
// its address identifies the message.
#include "diag/noteonce.h"

#include <cstdint>
#include <set>
#include <tuple>

#include "diag/position.h"

bool awk_note_repeated(const char* format) {
  int line = int(awk_linenumber & 0x7FFF);
  if (line == 0 || awk_fun_gid == 0) return false;
  static std::set<std::tuple<int, int, const char*>> shown;
  return !shown.emplace(int(awk_fun_gid), line, format).second;
}
