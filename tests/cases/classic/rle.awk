# Run-length encoding of each input line: a run of 3 or more equal bytes
# becomes count, the byte and "~" (so "aaaa" is "4a~"); shorter runs and
# other bytes stay as they are, except that a digit or a "~" in the text
# is escaped with a backslash, as is the backslash itself. The decoder
# reverses it; each line is printed with its encoding, the sizes, and a
# check that decoding gives the line back.
function esc(c) { return c ~ /[0-9~\\]/ ? "\\" c : c }
function encode(s,    i, j, c, n, out) {
  out = ""
  for (i = 1; i <= length(s); i = j) {
    c = substr(s, i, 1)
    for (j = i + 1; j <= length(s) && substr(s, j, 1) == c; j++) ;
    n = j - i
    if (n >= 3) out = out n esc(c) "~"
    else while (n-- > 0) out = out esc(c)
  }
  return out
}
function decode(s,    out, n, c) {
  out = ""
  while (s != "") {
    if (match(s, /^[0-9]+/)) {
      n = substr(s, 1, RLENGTH) + 0
      s = substr(s, RLENGTH + 1)
      c = substr(s, 1, 1)
      if (c == "\\") { c = substr(s, 2, 1); s = substr(s, 2) }
      if (substr(s, 2, 1) != "~") return "BAD INPUT"
      s = substr(s, 3)
      while (n-- > 0) out = out c
    } else if (substr(s, 1, 1) == "\\") {
      out = out substr(s, 2, 1); s = substr(s, 3)
    } else {
      out = out substr(s, 1, 1); s = substr(s, 2)
    }
  }
  return out
}
{
  e = encode($0)
  d = decode(e)
  printf "%-30s %-24s %2d -> %2d %s\n", $0, e, length($0), length(e), d == $0 ? "ok" : "MISMATCH(" d ")"
}
END { print decode("12x~y") }
