# Frames: a centred title, a title too long for its box, boxes too small
# to draw; then cells read back across the end of a row, and print on the
# active screen.
BEGIN {
  scr_frame("Title", 0, 0, 3, 20)
  scr_frame("A title far too long", 0, 30, 2, 40, 0x70)
  scr_frame("x", 5, 0, 8, 1)      # one column wide: nothing
  scr_frame("y", 5, 10, 6, 20)    # one row high: nothing
  scr_put("abcdefgh", 10, 76)
  c = scr_getcells(8, 10, 76)
  for (i = 0; i < 8; i++) s = s char(and(unpackcell(c, i), 255))
  scr_put("cells " length(c) " " s " get " scr_get(8, 10, 76), 14, 0)
  scr_scp(16, 0)
  print "printed"
  getkey()
}
function unpackcell(c, i,   v, k) {
  for (k = 4; k >= 1; k--) v = v * 256 + ord(substr(c, 4 * i + k, 1))
  return v
}
