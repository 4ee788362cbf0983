// The scan follows the run-time's pattern syntax: a backslash escapes the
// next byte inside and outside brackets, and "]" right after "[" or "[^"
// is a member. Ranges are written with the escapes the run-time's bracket
// parser reads, so "]", "\" and control bytes need no special placement.
#include "compiler/posixclass.h"

#include <cstring>

namespace vorn::compiler {

namespace {

struct PosixClass {   // texts held here: the table needs no relocation
  char name[8];
  char ranges[16];
};

// C locale. cntrl leaves out the NUL byte, which patterns cannot hold.
constexpr PosixClass kClasses[] = {
    {"alpha", "A-Za-z"},
    {"digit", "0-9"},
    {"alnum", "0-9A-Za-z"},
    {"upper", "A-Z"},
    {"lower", "a-z"},
    {"space", " \\t\\n\\v\\f\\r"},
    {"blank", " \\t"},
    {"punct", "!-/:-@\\[-`{-~"},
    {"print", " -~"},
    {"graph", "!-~"},
    {"cntrl", "\\x01-\\x1f\\x7f"},
    {"xdigit", "0-9A-Fa-f"},
};

// The class named at s[pos] ("[:name:]"), or null; `len` gets its length.
const PosixClass* classAt(const std::string& s, size_t pos, size_t& len) {
  if (s.compare(pos, 2, "[:") != 0) return nullptr;
  for (const PosixClass& c : kClasses) {
    size_t n = std::strlen(c.name);
    if (s.compare(pos + 2, n, c.name) == 0 && s.compare(pos + 2 + n, 2, ":]") == 0) {
      len = n + 4;
      return &c;
    }
  }
  return nullptr;
}

}  // namespace

bool expandPosixClasses(std::string& re) {
  if (re.find("[:") == std::string::npos) return false;
  std::string out;
  bool changed = false;
  size_t i = 0, n = re.size();
  while (i < n) {
    char c = re[i];
    if (c == '\\' && i + 1 < n) {
      out.append(re, i, 2);
      i += 2;
      continue;
    }
    out += c;
    ++i;
    if (c != '[') continue;
    // A bracket expression: copy up to its closing "]", rewriting classes.
    if (i < n && re[i] == '^') out += re[i++];
    if (i < n && re[i] == ']') out += re[i++];
    while (i < n && re[i] != ']') {
      size_t len = 0;
      if (const PosixClass* pc = classAt(re, i, len)) {
        out += pc->ranges;
        i += len;
        changed = true;
      } else if (re[i] == '\\' && i + 1 < n) {
        out.append(re, i, 2);
        i += 2;
      } else {
        out += re[i++];
      }
    }
    if (i < n) out += re[i++];
  }
  if (changed) re = std::move(out);
  return changed;
}

bool mentionsPosixClass(const std::string& s) {
  for (size_t p = s.find("[:"); p != std::string::npos; p = s.find("[:", p + 1)) {
    size_t len;
    if (classAt(s, p, len)) return true;
  }
  return false;
}

}  // namespace vorn::compiler
