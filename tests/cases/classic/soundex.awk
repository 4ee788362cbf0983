# Soundex codes for surnames (one per line): the first letter is kept,
# the following letters map to digit classes, adjacent letters with the
# same code collapse (also across H and W), vowels separate, and the
# code is padded or cut to four characters. Names are then grouped by
# code in order of first appearance.
BEGIN {
  split("BFPV CGJKQSXZ DT L MN R", groups, " ")
  for (g = 1; g <= 6; g++)
    for (i = 1; i <= length(groups[g]); i++) code[substr(groups[g], i, 1)] = g
}
function soundex(name,    s, out, i, c, d, prev) {
  s = toupper(name)
  gsub(/[^A-Z]/, "", s)
  if (s == "") return ""
  out = substr(s, 1, 1)
  prev = code[out]
  for (i = 2; i <= length(s) && length(out) < 4; i++) {
    c = substr(s, i, 1)
    if (c == "H" || c == "W") continue
    d = c in code ? code[c] : 0
    if (d && d != prev) out = out d
    prev = d
  }
  return substr(out "000", 1, 4)
}
{
  sx = soundex($0)
  if (sx == "") { print "skipped: '" $0 "'"; next }
  printf "%-12s %s\n", $0, sx
  if (!(sx in members)) order[++n] = sx
  members[sx] = members[sx] " " $0
}
END {
  for (i = 1; i <= n; i++) print order[i] ":" members[order[i]]
}
