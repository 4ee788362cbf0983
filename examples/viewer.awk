# viewer.awk: a full-screen file viewer on the screen and keyboard builtins.
#
#   vorn -f examples/viewer.awk FILE
#
# The file is shown in a frame titled with its name, with a status line in
# reverse video. Keys: UP and DOWN scroll a line, PGUP, PGDN and the space
# bar a page, HOME and END go to the start and the end, q or ESC quits.
# Lines longer than the frame are cut at its edge.

BEGIN {
  ROWS = 24; COLS = 80        # the terminal's size, if stty can tell
  if (("stty size" | getline size) > 0 && split(size, d, " ") == 2 && d[1] >= 5 && d[2] >= 20) {
    ROWS = d[1]; COLS = d[2]
  }
  close("stty size")
  TOP = 0; BOTTOM = ROWS - 2  # the frame; the status line is below it
  PAGE = BOTTOM - TOP - 1     # text rows inside the frame
  WIDTH = COLS - 2
}

{ text[++nlines] = $0 }

END {
  if (nlines == 0) { print "viewer: nothing to show"; exit 1 }
  first = 1
  scr_scm(0)                  # no cursor
  for (;;) {
    draw()
    key = getkey()
    if (key == "q" || key == "ESC" || key == "") break
    if (key == "DOWN") first++
    else if (key == "UP") first--
    else if (key == "PGDN" || key == " ") first += PAGE
    else if (key == "PGUP") first -= PAGE
    else if (key == "HOME") first = 1
    else if (key == "END") first = nlines - PAGE + 1
    last = nlines - PAGE + 1
    if (first > last) first = last
    if (first < 1) first = 1
  }
  scr_scm(1)
  scr_end()
}

# One screenful, drawn with refreshing deferred so that it appears at once.
function draw(   row, line, pad, title, status) {
  scr_refresh(0)
  pad = sprintf("%" WIDTH "s", "")
  title = FILENAME
  sub(/.*\//, "", title)
  scr_frame(" " title " ", TOP, 0, BOTTOM, COLS - 1)
  for (row = 1; row <= PAGE; row++) {
    line = first + row - 1 in text ? text[first + row - 1] : "~"
    scr_put(substr(line pad, 1, WIDTH), TOP + row, 1, 0x17)
  }
  status = sprintf(" lines %d-%d of %d   UP DOWN PGUP PGDN HOME END  q quits",
                   first, min(first + PAGE - 1, nlines), nlines)
  scr_put(substr(status pad "  ", 1, COLS), BOTTOM + 1, 0, 0x70)
  scr_refresh(1)
}

function min(a, b) { return a < b ? a : b }
