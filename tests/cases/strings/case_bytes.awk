# Case changes over every byte value, past the eight-byte steps and their
# tails: only A-Z and a-z change; the bytes beside them (@ [ ` {) and bytes
# of 128 and above stay. A string the program still holds keeps its case.
BEGIN {
  for (i = 1; i < 256; i++) all = all sprintf("%c", i)
  up = toupper(all); low = tolower(all)
  for (i = 1; i < 256; i++) {
    c = substr(all, i, 1); u = substr(up, i, 1); l = substr(low, i, 1)
    if (u != c || l != c) changed = changed sprintf(" %d:%d:%d", i, ord(u), ord(l))
  }
  print length(up), length(low), changed
  s = "MiXeD-Case@[`{"
  for (n = 0; n <= 17; n++) {
    t = substr(s s, 1, n)
    print n, toupper(t), tolower(t), t
  }
  x = "KeepMe"; y = tolower(x); z = toupper(x "")
  print x, y, z
}
{ print tolower($0), toupper($2), $0 }
