# A small spreadsheet. Input lines "CELL = content" fill cells (columns
# A-Z, rows 1-99); a content beginning with "=" is a formula with + - * /,
# parentheses, numbers, cell references and the functions SUM, MIN, MAX
# and AVG over ranges like A1:B3. Other contents are numbers or labels.
# Cells are evaluated on demand with memoisation; a reference cycle gives
# "#CYCLE" in every cell on it, division by zero "#DIV/0", a reference to
# a label "#VALUE", and errors spread to the cells that use them. The
# sheet is printed as a grid (numbers right-aligned with up to two
# decimals, labels left-aligned) followed by the formulas.
#
# Every AWK prints the same: values print through sprintf with fixed
# formats, and cells are visited by column and row, never by for-in.

function colnum(c) { return index("ABCDEFGHIJKLMNOPQRSTUVWXYZ", c) }
function colname(n) { return substr("ABCDEFGHIJKLMNOPQRSTUVWXYZ", n, 1) }

# value(ref): the cell's value, or an error text beginning with "#"
function value(ref,    v) {
  if (ref in done) return val[ref]
  if (ref in busy) return "#CYCLE"
  if (!(ref in content)) return 0
  v = content[ref]
  if (v ~ /^=/) {
    busy[ref] = 1
    src = substr(v, 2); gsub(/ /, "", src)
    stackdepth++
    savedsrc[stackdepth] = src
    pos = 1; err = ""
    v = expr()
    if (err == "" && pos <= length(src)) err = "#SYNTAX"
    if (err != "") v = err
    stackdepth--
    src = savedsrc[stackdepth]
    delete busy[ref]
  } else if (v ~ /^-?[0-9]+(\.[0-9]+)?$/) v = v + 0
  else v = "#LABEL:" v
  val[ref] = v; done[ref] = 1
  return v
}
function isnum(v) { return v !~ /^#/ }
function num(v) {
  if (v ~ /^#LABEL:/) { if (err == "") err = "#VALUE"; return 0 }
  if (v ~ /^#/) { if (err == "") err = v; return 0 }
  return v
}
# the parser works on src and pos; nested evaluations save and restore them
function expr(   v, op, p, s) {
  v = term()
  while ((op = substr(src, pos, 1)) == "+" || op == "-") {
    pos++
    v = op == "+" ? v + term() : v - term()
  }
  return v
}
function term(   v, op, d) {
  v = factor()
  while ((op = substr(src, pos, 1)) == "*" || op == "/") {
    pos++
    d = factor()
    if (op == "*") v *= d
    else if (d == 0) { if (err == "") err = "#DIV/0"; v = 0 }
    else v /= d
  }
  return v
}
function factor(   t, v, fn, a, b, c1, c2, r1, r2, c, r, s, n, m, x, savepos, savesrc) {
  t = substr(src, pos)
  if (match(t, /^[0-9]+(\.[0-9]+)?/)) { pos += RLENGTH; return substr(t, 1, RLENGTH) + 0 }
  if (substr(t, 1, 1) == "-") { pos++; return -factor() }
  if (substr(t, 1, 1) == "(") {
    pos++; v = expr()
    if (substr(src, pos, 1) != ")") { if (err == "") err = "#SYNTAX"; return 0 }
    pos++; return v
  }
  if (match(t, /^(SUM|MIN|MAX|AVG)\([A-Z][0-9]+:[A-Z][0-9]+\)/)) {
    fn = substr(t, 1, 3)
    split(substr(t, 5, RLENGTH - 5), a, ":")
    pos += RLENGTH
    c1 = colnum(substr(a[1], 1, 1)); r1 = substr(a[1], 2) + 0
    c2 = colnum(substr(a[2], 1, 1)); r2 = substr(a[2], 2) + 0
    s = 0; n = 0
    for (c = c1; c <= c2; c++)
      for (r = r1; r <= r2; r++) {
        savepos = pos; savesrc = src
        x = value(colname(c) r)
        pos = savepos; src = savesrc
        if (!((colname(c) r) in content)) continue
        if (x ~ /^#LABEL:/) continue
        x = num(x)
        s += x; n++
        if (n == 1 || x < m && fn == "MIN" || x > m && fn == "MAX") m = x
      }
    if (fn == "SUM") return s
    if (fn == "AVG") { if (n == 0) { if (err == "") err = "#DIV/0"; return 0 } return s / n }
    return n ? m : 0
  }
  if (match(t, /^[A-Z][0-9]+/)) {
    pos += RLENGTH
    savepos = pos; savesrc = src
    x = value(substr(t, 1, RLENGTH))
    pos = savepos; src = savesrc
    return num(x)
  }
  if (err == "") err = "#SYNTAX"
  pos = length(src) + 1
  return 0
}
function show(v) {
  if (v ~ /^#LABEL:/) return sprintf("%-10s", substr(v, 8))
  if (v ~ /^#/) return sprintf("%10s", v)
  return sprintf("%10s", v == int(v) ? sprintf("%d", v) : sprintf("%.2f", v))
}
/^[ \t]*$/ { next }
{
  if (!match($0, /^[A-Z][0-9]+[ \t]*=/)) { print "ignored: " $0; next }
  ref = substr($0, 1, RLENGTH); sub(/[ \t]*=$/, "", ref)
  c = substr($0, RLENGTH + 1); sub(/^[ \t]+/, "", c); sub(/[ \t]+$/, "", c)
  content[ref] = c
  if (colnum(substr(ref, 1, 1)) > maxc) maxc = colnum(substr(ref, 1, 1))
  if (substr(ref, 2) + 0 > maxr) maxr = substr(ref, 2) + 0
}
END {
  line = "    "
  for (c = 1; c <= maxc; c++) line = line sprintf(" %10s", colname(c))
  print line
  for (r = 1; r <= maxr; r++) {
    line = sprintf("%3d ", r)
    for (c = 1; c <= maxc; c++) line = line " " (colname(c) r in content ? show(value(colname(c) r)) : sprintf("%10s", ""))
    sub(/ +$/, "", line)
    print line
  }
  for (c = 1; c <= maxc; c++)
    for (r = 1; r <= maxr; r++)
      if (content[colname(c) r] ~ /^=/) print colname(c) r " " content[colname(c) r]
}
