# Attributes; frames with a centred title, a title too long, boxes too
# small; cells read back across a row's end and written again; print on
# the active screen.
BEGIN {
  scr_frame("Title", 0, 0, 3, 20)
  scr_frame("A title far too long", 0, 30, 2, 40, 0x70)
  scr_frame("x", 5, 0, 8, 1)      # one column wide: nothing
  scr_frame("y", 5, 10, 6, 20)    # one row high: nothing
  scr_put("abcdefgh", 10, 76, 0x70)
  c = scr_getcells(8, 10, 76)
  scr_putcells(c, 12, 76)
  scr_put("cells " length(c) " get " scr_get(8, 10, 76), 14, 0)
  split("reverse 112 revstand 240 dim 7 plain 23", t)
  for (i = 1; i < 8; i += 2) {    # each row ends plain
    scr_put(t[i], 16 + (i + 1) / 2, 0, t[i + 1])
    scr_put("|", 16 + (i + 1) / 2, 10)
  }
  scr_scp(22, 0)
  print "printed"
  getkey()
}
