# scr_put with each attribute class; each row ends in plain text, so that
# every row of the capture starts with normal attributes.
BEGIN {
  split("reverse 112 revstand 240 dim 7 plain 23", t)
  for (i = 1; i < 8; i += 2) {
    scr_put(t[i], i - 1, 0, t[i + 1])
    scr_put("|", i - 1, 10)
  }
  scr_put("ready", 9, 0)
  getkey()
}
