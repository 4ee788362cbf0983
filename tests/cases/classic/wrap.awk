# Word wrap with full justification: each input line is one paragraph,
# wrapped at WIDTH columns (default 36); every output line but the last
# of a paragraph is justified by spreading extra blanks between words,
# leftmost gaps first. An optional "N:" prefix on a line sets a hanging
# indent of N columns for its continuation lines. Words longer than the
# width are split with a "-" at the end of each piece.
BEGIN { if (WIDTH == "") WIDTH = 36 }
function justify(words, n, width,    total, i, gaps, extra, each, more, out) {
  if (n == 1) return words[1]
  total = 0
  for (i = 1; i <= n; i++) total += length(words[i])
  gaps = n - 1
  extra = width - total
  each = int(extra / gaps); more = extra - each * gaps
  out = words[1]
  for (i = 2; i <= n; i++) out = out sprintf("%*s", each + (i - 1 <= more ? 1 : 0), "") words[i]
  return out
}
function emit(text) { print text }
{
  line = $0; hang = 0
  if (match(line, /^[0-9]+:/)) { hang = substr(line, 1, RLENGTH - 1) + 0; line = substr(line, RLENGTH + 1) }
  nw = split(line, w, " ")
  # split over-long words
  m = 0
  for (i = 1; i <= nw; i++) {
    x = w[i]
    while (length(x) > WIDTH - hang) { part[++m] = substr(x, 1, WIDTH - hang - 1) "-"; x = substr(x, WIDTH - hang) }
    part[++m] = x
  }
  if (m == 0) { print ""; next }
  pad = ""; width = WIDTH
  n = 0; len = 0
  for (i = 1; i <= m; i++) {
    if (n > 0 && len + 1 + length(part[i]) > width) {
      emit(pad justify(cur, n, width))
      pad = sprintf("%*s", hang, ""); width = WIDTH - hang
      n = 0; len = 0
    }
    cur[++n] = part[i]
    len += (n > 1 ? 1 : 0) + length(part[i])
  }
  out = cur[1]
  for (i = 2; i <= n; i++) out = out " " cur[i]
  emit(pad out)
}
