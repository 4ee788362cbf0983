// The curses screen: its life cycle, the attribute mapping and the refresh
// policy shared by the screen builtins.
//
// States: not started -> started (first screen builtin: initscr) ->
// suspended (a diagnostic, a child command, a read from the terminal,
// scr_end with a mode other than 1) -> started again (next screen builtin)
// -> ended (scr_end() or shut-down). Suspension is curses' temporary
// escape (endwin): the terminal gets its shell modes back and leaves the
// alternate screen, so a message written meanwhile stays visible after the
// run; the next refresh repaints the whole screen. Curses is entered once
// per process (newterm, which, unlike initscr, lets an unusable terminal be
// reported as an error of the run); a later start after an end resumes the
// same screen.
//
// Invariants: whenever curses is started the terminal hooks are set, so
// every lower layer can give the terminal back; a started, unsuspended
// screen receives print output to the terminal streams.
#include "screen/screen.h"

#include <curses.h>
#include <term.h>

#include <cstdio>
#include <cstring>

#include "diag/oops.h"
#include "diag/termhook.h"

int awk_curses_inited = 0;
int awk_curs_suspended = 0;
int awk_scr_deferred = 0;

namespace {

bool everStarted;   // initscr has run in this process

bool screenActive() { return awk_curses_inited && !awk_curs_suspended; }

void screenPut(const char* bytes, size_t len) {
  waddnstr(stdscr, bytes, int(strnlen(bytes, len)));
}

void screenRefresh() { refresh(); }

void endAll() {
  awk_scrend();
  awk_key_end();
}

}  // namespace

// Installed by whichever of screen and keyboard takes the terminal first.
void awk_term_hooks_set() {
  awk_termhooks.suspend = awk_suspend_curses;
  awk_termhooks.end = endAll;
  awk_termhooks.screenActive = screenActive;
  awk_termhooks.screenPut = screenPut;
  awk_termhooks.screenRefresh = screenRefresh;
}

void awk_lscr_init() {
  if (!awk_curses_inited) {
    std::fflush(stdout);
    awk_key_end();
    if (everStarted) {
      reset_prog_mode();   // the screen of the first start, entered again
    } else {
      // initscr would end the process itself on a terminal it cannot use,
      // and a failed newterm leaves memory behind: the description is
      // checked first. The keyboard's description, if it loaded one, gives
      // way to the one curses loads.
      int err = 0;
      if (!cur_term && setupterm(nullptr, 1, &err) != OK)
        oops('E', "Could not set up TERM capabilities");
      del_curterm(set_curterm(nullptr));
      esc_array[0] = {nullptr, nullptr};   // its strings went with it
      if (!newterm(nullptr, stdout, stdin)) oops('E', "Could not set up TERM capabilities");
      everStarted = true;
    }
    awk_term_hooks_set();
    scrollok(stdscr, FALSE);
    leaveok(stdscr, FALSE);
    nl();
    def_prog_mode();
    awk_curses_inited = 1;
    awk_curs_suspended = 0;
  } else if (awk_curs_suspended) {
    reset_prog_mode();
    awk_curs_suspended = 0;
  }
}

void awk_suspend_curses() {
  if (awk_curses_inited && !awk_curs_suspended) {
    endwin();
    awk_curs_suspended = 1;
  }
  awk_key_end();
}

void awk_scrend() {
  if (awk_curses_inited) {
    if (!awk_curs_suspended) endwin();
    awk_key_forget_curses();
  }
  awk_curses_inited = 0;
  awk_curs_suspended = 0;
  awk_key_end();
}

void awk_scr_update() {
  if (!awk_scr_deferred) refresh();
}

unsigned awk_scr_attr(int32_t attr) {
  const int fg = attr & 7, bg = (attr >> 4) & 7;
  unsigned a = fg == 0 && bg == 7 ? A_REVERSE : bg == 0 ? A_DIM : A_NORMAL;
  if (attr & 0x80) a |= A_STANDOUT;
  return a;
}
