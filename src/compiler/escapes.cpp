#include "compiler/escapes.h"

namespace vorn::compiler {

namespace {
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isHex(char c) { return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
}  // namespace

size_t decodeEscape(const std::string& s, size_t pos, std::string& out) {
  const size_t n = s.size();
  if (pos >= n) {
    out += '\\';
    return pos;
  }
  char e = s[pos++];
  switch (e) {
    case 'n': out += '\n'; break;
    case 't': out += '\t'; break;
    case 'r': out += '\r'; break;
    case 'a': out += '\a'; break;
    case 'b': out += '\b'; break;
    case 'f': out += '\f'; break;
    case 'v': out += '\v'; break;
    case '"': out += '"'; break;
    case '\\': out += '\\'; break;
    case '/': out += '/'; break;
    case '\n': break;  // continuation
    case 'x': {
      int v = 0, k = 0;
      while (k < 2 && pos < n && isHex(s[pos])) {
        char h = s[pos++];
        v = v * 16 + (isDigit(h) ? h - '0' : (h | 0x20) - 'a' + 10);
        ++k;
      }
      if (k == 0) out += "\\x";
      else out += char(v);
      break;
    }
    default:
      if (e >= '0' && e <= '7') {
        int v = e - '0', k = 1;
        while (k < 3 && pos < n && s[pos] >= '0' && s[pos] <= '7') {
          v = v * 8 + (s[pos++] - '0');
          ++k;
        }
        out += char(v & 0xFF);
      } else {
        out += '\\';
        out += e;
      }
  }
  return pos;
}

std::string decodeEscapes(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size();) {
    if (s[i] == '\\') i = decodeEscape(s, i + 1, out);
    else out += s[i++];
  }
  return out;
}

}  // namespace vorn::compiler
