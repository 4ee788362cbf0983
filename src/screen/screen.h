// The screen and the keyboard: curses started lazily by the first screen
// builtin, suspended around diagnostics, child commands and terminal reads,
// ended at shut-down; the keyboard in its own raw mode, or in curses' input
// modes while the screen is started.
#pragma once
#include <cstdint>

// ---- screen (screen.cpp) ---------------------------------------------------
extern int awk_curses_inited;    // curses started
extern int awk_curs_suspended;   // started, but the terminal is in shell mode
extern int awk_scr_deferred;     // 1: output builtins leave refreshing to the program

void awk_lscr_init();            // start or resume curses; every screen builtin first
void awk_suspend_curses();       // shell mode until the next screen builtin
void awk_scrend();               // end curses (scr_end(), shut-down)
void awk_scr_update();           // refresh unless refreshing is deferred
// The curses attributes of a PC attribute byte (-1: leave them as they are).
unsigned awk_scr_attr(int32_t attr);
// Points the terminal hooks at this layer (first use of screen or keyboard).
void awk_term_hooks_set();

// ---- keyboard (keyboard.cpp) -------------------------------------------------
extern int awk_key_inited;       // 0 not set up, 1 raw terminal settings, 2 under curses

void awk_key_init();
void awk_key_end();              // raw settings undone (state 1 only)
void awk_key_forget_curses();    // curses ended: the next use sets the keyboard up again

// ---- key table (keys.cpp) ------------------------------------------------------
struct AwkKeySeq {
  const char* seq;               // escape sequence from terminfo, null ends the table
  const char* name;
};
extern AwkKeySeq esc_array[];
void awk_key_table();            // (re)built from the loaded terminal description
// Name of one keystroke byte; empty for NUL.
const char* awk_key_name(unsigned char c, char buf[8]);
