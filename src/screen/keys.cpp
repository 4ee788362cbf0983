// The key table: escape sequences of the function and cursor keys as the
// terminal's terminfo description gives them, in a fixed order (the first
// entry whose sequence starts the collected bytes wins), and the names of
// single keystroke bytes.
#include <curses.h>
#include <term.h>

#include <cstdio>

#include "screen/screen.h"

namespace {

struct KeyCap {   // texts held here: the table needs no relocation
  char name[8];
  char cap[8];
};

constexpr KeyCap kKeyCaps[] = {
    {"F1", "kf1"},   {"F2", "kf2"},     {"F3", "kf3"},     {"F4", "kf4"},   {"F5", "kf5"},
    {"F6", "kf6"},   {"F7", "kf7"},     {"F8", "kf8"},     {"F9", "kf9"},   {"F10", "kf10"},
    {"F11", "kf11"}, {"F12", "kf12"},   {"HOME", "khome"}, {"END", "kend"}, {"UP", "kcuu1"},
    {"DOWN", "kcud1"}, {"LEFT", "kcub1"}, {"RIGHT", "kcuf1"}, {"PGDN", "knp"}, {"PGUP", "kpp"},
    {"DEL", "kdl1"}, {"INS", "kil1"},
};
constexpr int kKeys = int(sizeof kKeyCaps / sizeof kKeyCaps[0]);

}  // namespace

AwkKeySeq esc_array[kKeys + 1];

void awk_key_table() {
  int n = 0;
  for (const KeyCap& k : kKeyCaps) {
    const char* s = tigetstr(k.cap);
    if (!s || s == reinterpret_cast<char*>(-1) || !*s) continue;
    esc_array[n++] = {s, k.name};
  }
  esc_array[n] = {nullptr, nullptr};
}

const char* awk_key_name(unsigned char c, char buf[8]) {
  switch (c) {
    case 127: return "C-BS";
    case 27: return "ESC";
    case 28: return "C-\\";
    case 29: return "C-]";
    case 30: return "C-^";
    case 31: return "C-_";
    case 0: return "";
    case '\b': case '\t': case '\n': case '\f': case '\r': break;
    default:
      if (c < 32) {
        std::snprintf(buf, 8, "C-%c", c + 64);
        return buf;
      }
  }
  buf[0] = char(c);
  buf[1] = 0;
  return buf;
}
