# A fmt-like filler: paragraphs (separated by blank lines) are refilled to
# at most WIDTH columns (default 40, settable with -v); indentation of a
# paragraph's first line is kept for all its lines; a word longer than the
# width stands alone on its line. Blank-line runs collapse to one.
BEGIN { if (WIDTH == "") WIDTH = 40 }
/^[ \t]*$/ { flush(); blank = 1; next }
{
  if (out == "" && words == 0) {
    if (blank && printed) print ""
    blank = 0
    match($0, /^[ \t]*/)
    indent = substr($0, 1, RLENGTH)
    gsub(/\t/, "        ", indent)
  }
  for (i = 1; i <= NF; i++) add($i)
}
END { flush() }
function add(w) {
  if (words == 0) { out = indent w; words = 1; return }
  if (length(out) + 1 + length(w) > WIDTH) {
    print out; printed = 1
    out = indent w; words = 1
    return
  }
  out = out " " w
  words++
}
function flush() {
  if (words > 0) { print out; printed = 1 }
  out = ""; words = 0
}
