// The screen builtins. Rows and columns are 0-based curses coordinates.
// Every output builtin leaves the cursor where it was, the attributes
// normal, and refreshes unless refreshing is deferred. Cells are curses
// character-with-attribute values, 4 bytes each in the host's byte order.
#include <curses.h>

#include <algorithm>
#include <cstring>

#include "builtins/btable.h"
#include "io/refs.h"
#include "diag/oops.h"
#include "screen/screen.h"
#include "values/convert.h"
#include "values/strobj.h"

static_assert(sizeof(chtype) == 4, "cell strings hold 4-byte cells");

namespace {

constexpr uint32_t kNoLimit = uint32_t(kStringLimit);

int32_t intArg(const Cell* c) { return c->tag == Tag::Int ? c->w.i : awk_a2l(c); }

AwkString* strArg(const Cell* c) {
  if (!cellIsStringy(c)) awk_assert2(0x7A01);
  return c->w.s;
}

void setInt(Cell* ref, int32_t v) {
  Cell c;
  cellSetInt(&c, v);
  awk_setref(ref, &c);
}

bool onScreen(int row, int col) { return row >= 0 && row < LINES && col >= 0 && col < COLS; }

// Saves the cursor on construction; restores it, normal attributes and
// the refresh policy on destruction.
struct OutputRun {
  int y, x;
  OutputRun() { getyx(stdscr, y, x); }
  ~OutputRun() {
    attrset(A_NORMAL);
    move(y, x);
    awk_scr_update();
  }
};

// Walks n positions from (row, col), wrapping at COLS to column 0 of the
// next row; calls f(row, col, i) for each.
template <class F>
void eachPosition(int32_t n, int32_t row, int32_t col, F f) {
  int64_t r = row, c = col;
  for (int32_t i = 0; i < n; ++i) {
    f(r, c, i);
    if (++c >= COLS) {
      c = 0;
      ++r;
    }
  }
}

// The count argument of the read-back builtins, kept within the string limit.
int32_t countArg(const Cell* c, uint32_t width) {
  return std::clamp<int32_t>(intArg(c), 0, int32_t(kNoLimit / width));
}

}  // namespace

void b_scr_scp(int, Cell* args) {
  awk_lscr_init();
  move(intArg(&args[0]), intArg(&args[1]));
  awk_scr_update();
}

void b_scr_gcp(int, Cell* args) {
  awk_lscr_init();
  int y, x;
  getyx(stdscr, y, x);
  setInt(&args[0], y);
  setInt(&args[1], x);
}

void b_scr_scm(int, Cell* args) {
  awk_lscr_init();
  curs_set(intArg(&args[0]));
}

void b_scr_gcm(int, Cell* args) {
  awk_lscr_init();
  int mode = curs_set(1);
  if (mode != ERR) curs_set(mode);
  setInt(&args[0], mode);
}

void b_scr_put(int argc, Cell* args) {
  awk_lscr_init();
  AwkString* s = strArg(&args[0]);
  OutputRun run;
  if (move(intArg(&args[1]), intArg(&args[2])) == ERR) return;  // off the screen
  if (argc > 3 && intArg(&args[3]) != -1) attrset(awk_scr_attr(intArg(&args[3])));
  for (uint32_t i = 0; i < s->len; ++i) addch(chtype(static_cast<unsigned char>(s->text()[i])));
}

void b_scr_putcells(int, Cell* args) {
  awk_lscr_init();
  AwkString* s = strArg(&args[0]);
  OutputRun run;
  eachPosition(int32_t(s->len / 4), intArg(&args[1]), intArg(&args[2]), [&](int64_t r, int64_t c, int32_t i) {
    if (!onScreen(int(r), int(c))) return;
    chtype cell;
    std::memcpy(&cell, s->text() + 4 * i, 4);
    mvaddch(int(r), int(c), cell);
  });
}

void b_scr_getcells(int, Cell* args) {
  awk_lscr_init();
  const int32_t n = countArg(&args[0], 4);
  AwkString* out = stringInit(uint32_t(n) * 4);
  int y, x;
  getyx(stdscr, y, x);
  eachPosition(n, intArg(&args[1]), intArg(&args[2]), [&](int64_t r, int64_t c, int32_t i) {
    chtype cell = onScreen(int(r), int(c)) ? mvinch(int(r), int(c)) : ~chtype(0);
    std::memcpy(out->text() + 4 * i, &cell, 4);
  });
  move(y, x);
  cellSetString(awk_retval, out);
}

void b_scr_get(int, Cell* args) {
  awk_lscr_init();
  const int32_t n = countArg(&args[0], 1);
  AwkString* out = stringInit(uint32_t(n));
  int y, x;
  getyx(stdscr, y, x);
  eachPosition(n, intArg(&args[1]), intArg(&args[2]), [&](int64_t r, int64_t c, int32_t i) {
    out->text()[i] = onScreen(int(r), int(c)) ? char(mvinch(int(r), int(c)) & A_CHARTEXT) : char(255);
  });
  move(y, x);
  cellSetString(awk_retval, out);
}

// A box from (top, left) to (bottom, right) with the title centred in its
// top line; boxes narrower or lower than 2 or larger than 256 are not drawn.
void b_scr_frame(int argc, Cell* args) {
  awk_lscr_init();
  AwkString* title = strArg(&args[0]);
  const int32_t top = intArg(&args[1]), left = intArg(&args[2]);
  const int32_t bottom = intArg(&args[3]), right = intArg(&args[4]);
  const int64_t w = int64_t(right) - left, h = int64_t(bottom) - top;
  if (w < 2 || h < 2 || w > 256 || h > 256) return;
  OutputRun run;
  const chtype attr = argc > 5 && intArg(&args[5]) != -1 ? awk_scr_attr(intArg(&args[5])) : 0;
  auto put = [&](int64_t r, int64_t c, chtype ch) {
    if (onScreen(int(r), int(c))) mvaddch(int(r), int(c), ch | attr);
  };
  const int64_t tlen = title->len;
  const int64_t start = std::max<int64_t>(1, (w - tlen + 1) / 2);
  put(top, left, ACS_ULCORNER);
  put(bottom, left, ACS_LLCORNER);
  for (int64_t i = 1; i < w; ++i) {
    const int64_t t = i - start;
    const bool titled = t >= 0 && t < tlen;
    put(top, left + i, titled ? chtype(static_cast<unsigned char>(title->text()[t])) : ACS_HLINE);
    put(bottom, left + i, ACS_HLINE);
  }
  put(top, right, ACS_URCORNER);
  put(bottom, right, ACS_LRCORNER);
  for (int64_t r = top + 1; r < bottom; ++r) {
    put(r, left, ACS_VLINE);
    put(r, right, ACS_VLINE);
  }
}

// scr_end() or scr_end(1) ends curses, any other mode suspends it. A screen
// that was never started has nothing to end.
void b_scr_end(int argc, Cell* args) {
  if (!awk_curses_inited) return;
  if (argc < 1 || intArg(&args[0]) == 1)
    awk_scrend();
  else
    awk_suspend_curses();
}

void b_scr_refresh(int argc, Cell* args) {
  awk_lscr_init();
  cellSetInt(awk_retval, awk_scr_deferred);
  const int32_t mode = argc > 0 ? intArg(&args[0]) : -1;
  if (mode == 0) {
    awk_scr_deferred = 1;
    return;
  }
  refresh();
  if (argc > 0) awk_scr_deferred = 0;
}
