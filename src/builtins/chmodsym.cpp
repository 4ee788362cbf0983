// Symbolic chmod modes.
//
// A mode is a list of clauses separated by ','. Each clause names whom it
// touches (u, g, o, a; none means all), then one or more operators, each
// followed by permission letters. Bits to clear and bits to set gather in
// two masks over the whole text and are applied once at the end:
// mode = (mode & ~clear) | set. '=' first adds the whom bits to the clear
// mask. The set-id bits ride with u and g ('s'); the sticky bit is never
// touched, so '=' alone clears everything but it.
#include "builtins/fsargs.h"

namespace {

constexpr uint32_t kWhoUser = 04700, kWhoGroup = 02070, kWhoOther = 00007, kWhoAll = 06777;

int fold(char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; }

}  // namespace

int awk_chmodsym(const char* text, uint32_t len, uint32_t mode, uint32_t* out) {
  uint32_t clear = 0, set = 0;
  size_t i = 0;
  for (;;) {
    uint32_t who = 0;
    for (; i < len; ++i) {
      int c = fold(text[i]);
      if (c == 'u') who |= kWhoUser;
      else if (c == 'g') who |= kWhoGroup;
      else if (c == 'o') who |= kWhoOther;
      else if (c == 'a') who = kWhoAll;
      else break;
    }
    if (who == 0) who = kWhoAll;
    if (i == len) return 0;
    if (text[i] != '+' && text[i] != '-' && text[i] != '=') return -1;
    bool next = false;
    while (i < len && !next) {
      const char op = text[i++];
      if (op == '=') clear |= who;
      uint32_t bits = 0;
      for (; i < len; ++i) {
        int c = fold(text[i]);
        if (c == 'r') bits |= who & 0444;
        else if (c == 'w') bits |= who & 0222;
        else if (c == 'x') bits |= who & 0111;
        else if (c == 's') bits |= who & 06000;
        else if (c == 'a' || c == 'h' || c == 'l' || c == 't' || c == 'v') continue;
        else if (c == '+' || c == '-' || c == '=') break;
        else if (c == ',') {
          ++i;
          next = true;
          break;
        } else return -1;
      }
      (op == '-' ? clear : set) |= bits;
    }
    if (!next) break;
  }
  *out = (mode & ~clear) | set;
  return 1;
}
