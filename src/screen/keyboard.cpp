// The keyboard: single keystrokes from the standard input descriptor,
// named through the key table.
//
// Without the screen the keyboard puts the terminal into a non-canonical,
// no-echo mode itself (state 1) and restores the saved settings at every
// way out of the run; under curses (state 2) it uses curses' cbreak and
// noecho modes. In both, the terminal is asked to send its keypad
// sequences (keypad transmit mode), which are the ones the terminfo key
// capabilities describe; otherwise the cursor keys of most terminals would
// not match the table.
//
// Bytes come from a push-back buffer first (bytes read ahead while
// collecting an escape sequence or looking for a waiting byte), then one
// read() at a time. The end of input (a closed terminal, an exhausted pipe)
// is remembered: getkey then returns "" (or -1 when raw) and kbhit 0, and
// nothing waits for a byte that cannot come.
#include <curses.h>
#include <poll.h>
#include <term.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "builtins/btable.h"
#include "host/signals.h"
#include "io/record.h"
#include "diag/oops.h"
#include "screen/screen.h"
#include "values/convert.h"
#include "values/strobj.h"

int awk_key_inited = 0;

namespace {

constexpr int kInputFd = 0;
constexpr int kMaxSequence = 6;

struct termios savedSettings;
bool settingsSaved;     // tcgetattr succeeded: restore at the end
bool keypadSent;        // keypad transmit mode was switched on in state 1
bool inputEnded;        // read() returned end of input
bool warned;            // the input is not a terminal, and the user knows

// The push-back buffer, consumed from its front.
unsigned char pending[16];
int npending;

void pushFront(const unsigned char* bytes, int n) {
  if (n <= 0) return;
  if (n > int(sizeof pending) - npending) n = int(sizeof pending) - npending;
  std::memmove(pending + n, pending, size_t(npending));
  std::memcpy(pending, bytes, size_t(n));
  npending += n;
}

// Writes a terminfo string to the terminal when standard output is one.
void sendCap(const char* cap) {
  const char* s = tigetstr(cap);
  if (!s || s == reinterpret_cast<char*>(-1) || !isatty(1)) return;
  std::fflush(stdout);
  for (size_t n = std::strlen(s); n > 0;) {
    ssize_t w = write(1, s, n);
    if (w <= 0) return;
    s += w;
    n -= size_t(w);
  }
}

// One byte from the descriptor: 1, or 0 at the end of input. A read broken
// by a signal lets a signal that ends the run do so, then reads again.
int readByte(unsigned char* c) {
  if (inputEnded) return 0;
  for (;;) {
    ssize_t n = read(kInputFd, c, 1);
    if (n == 1) return 1;
    if (n < 0 && errno == EINTR) {
      if (awk_readerhooks.pollSignals) awk_readerhooks.pollSignals(1);
      continue;
    }
    inputEnded = true;
    return 0;
  }
}

// Next byte: the push-back buffer first. -1 at the end of input.
int nextByte() {
  if (npending > 0) {
    int c = pending[0];
    std::memmove(pending, pending + 1, size_t(--npending));
    return c;
  }
  unsigned char c;
  return readByte(&c) ? c : -1;
}

// A byte can be had at once. A descriptor that polls readable is read
// ahead into the push-back buffer, so that the end of input is not taken
// for a waiting byte.
bool byteWaiting() {
  if (npending > 0) return true;
  if (inputEnded) return false;
  struct pollfd p = {kInputFd, POLLIN, 0};
  if (poll(&p, 1, 0) <= 0 || !(p.revents & (POLLIN | POLLHUP | POLLERR))) return false;
  unsigned char c;
  if (!readByte(&c)) return false;
  pushFront(&c, 1);
  return true;
}

int32_t intArg(const Cell* c) {
  if (c->tag != Tag::Int) awk_assert2(0x7B01);
  return c->w.i;
}

}  // namespace

void awk_key_init() {
  if (awk_curses_inited && awk_curs_suspended) awk_lscr_init();
  if (awk_key_inited) return;
  awk_term_hooks_set();
  if (awk_curses_inited) {
    cbreak();
    noecho();
    keypad(stdscr, TRUE);
    def_prog_mode();
    awk_key_inited = 2;
  } else {
    // Set-up is repeated after every diagnostic or child command; the
    // warning is given once, the description loaded once.
    settingsSaved = tcgetattr(kInputFd, &savedSettings) == 0;
    if (!settingsSaved && !warned) {
      warned = true;
      oops('W', "Can not get terminal information: tcgetattr failed");
    }
    int err = 0;
    if (!cur_term && setupterm(nullptr, 1, &err) != OK) oops('E', "Could not set up TERM capabilities");
    if (settingsSaved) {
      struct termios raw = savedSettings;
      raw.c_lflag &= ~tcflag_t(ICANON | ECHO | ECHOE | ECHONL);
      raw.c_cc[VMIN] = 1;
      raw.c_cc[VTIME] = 2;
      tcsetattr(kInputFd, TCSANOW, &raw);
      sendCap("smkx");
      keypadSent = true;
    }
    awk_key_inited = 1;
  }
  awk_key_table();
}

void awk_key_end() {
  if (awk_key_inited != 1) return;
  if (keypadSent) sendCap("rmkx");
  if (settingsSaved) tcsetattr(kInputFd, TCSANOW, &savedSettings);
  keypadSent = settingsSaved = false;
  awk_key_inited = 0;
}

void awk_key_forget_curses() {
  if (awk_key_inited == 2) awk_key_inited = 0;
}

void b_getkey(int argc, Cell* args) {
  const bool raw = argc > 0 && intArg(&args[0]) != 0;
  for (;;) {
    awk_key_init();
    int c = nextByte();
    if (c < 0) {
      if (raw) cellSetInt(awk_retval, -1);
      else cellSetString(awk_retval, stringNew(""));
      return;
    }
    if (raw) {
      cellSetInt(awk_retval, c);
      return;
    }
    if (c == 27 && byteWaiting()) {
      unsigned char seq[kMaxSequence];
      int n = 0;
      seq[n++] = 27;
      while (n < kMaxSequence && byteWaiting()) seq[n++] = static_cast<unsigned char>(nextByte());
      const char* name = "ESC";
      int used = 1;
      for (const AwkKeySeq* k = esc_array; k->seq; ++k) {
        const size_t len = std::strlen(k->seq);
        if (len <= size_t(n) && std::memcmp(seq, k->seq, len) == 0) {
          name = k->name;
          used = int(len);
          break;
        }
      }
      pushFront(seq + used, n - used);
      cellSetString(awk_retval, stringNew(name));
      return;
    }
    char buf[8];
    const char* name = awk_key_name(static_cast<unsigned char>(c), buf);
    if (*name) {
      cellSetString(awk_retval, stringNew(name));
      return;
    }
  }
}

void b_kbhit(int, Cell*) {
  awk_key_init();
  cellSetInt(awk_retval, byteWaiting() ? 1 : 0);
}
