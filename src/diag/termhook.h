// Terminal hooks: the screen and keyboard layer sits above the diagnostics,
// the output layer, the command runner, the record reader and termination,
// yet all of them must give the terminal back to the shell (or hand text to
// the screen) while it is in curses or raw mode. The screen layer fills
// these pointers when it first takes the terminal; a null pointer means the
// terminal is in the shell's own mode and there is nothing to do.
#pragma once
#include <cstddef>

struct AwkTermHooks {
  void (*suspend)();   // curses back to shell mode (diagnostics, children, reads)
  void (*end)();       // curses ended and the keyboard's raw mode undone
  // Output to a terminal while the screen is active: the text goes to the
  // screen (up to its first NUL byte), and the statement's end refreshes.
  bool (*screenActive)();
  void (*screenPut)(const char* bytes, size_t len);
  void (*screenRefresh)();
};

extern AwkTermHooks awk_termhooks;

inline void awk_term_suspend() {
  if (awk_termhooks.suspend) awk_termhooks.suspend();
}
inline void awk_term_end() {
  if (awk_termhooks.end) awk_termhooks.end();
}
inline bool awk_term_screen() {
  return awk_termhooks.screenActive && awk_termhooks.screenActive();
}
