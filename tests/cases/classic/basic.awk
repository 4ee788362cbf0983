# A tiny BASIC interpreter. Numbered lines are stored; RUN executes them;
# LIST prints them back in line-number order. Statements: LET (or a bare
# assignment), PRINT (strings and expressions separated by ";" or ","),
# IF cond THEN line, GOTO, GOSUB, RETURN, FOR ... TO ... [STEP], NEXT,
# REM, END. Expressions: numbers, variables A-Z, + - * / MOD, unary
# minus, parentheses, ABS() and INT(), comparisons = <> < > <= >=.
#
# LIST relies on for-in visiting line numbers in natural (numeric) order;
# mawk and gawk list them in hash order. RUN sorts the line numbers
# itself and runs the same everywhere.
#
# "PRINT 7 / 2" prints 3.5 everywhere; "ABS(-2.5) * 2" prints 5.
#
# Tokens: one per element of tk[], kind in tt[]: "n" number, "v"
# variable, "s" string, "k" keyword or function, "o" operator.
function tokenize(s,    n, c, m) {
  n = 0
  while (s != "") {
    if (match(s, /^[ \t]+/)) { s = substr(s, RLENGTH + 1); continue }
    if (match(s, /^[0-9]+(\.[0-9]+)?/)) { tt[++n] = "n"; tk[n] = substr(s, 1, RLENGTH) + 0 }
    else if (match(s, /^"[^"]*"/)) { tt[++n] = "s"; tk[n] = substr(s, 2, RLENGTH - 2) }
    else if (match(s, /^[A-Z][A-Z]+/)) { tt[++n] = "k"; tk[n] = substr(s, 1, RLENGTH) }
    else if (match(s, /^[A-Z]/)) { tt[++n] = "v"; tk[n] = substr(s, 1, 1) }
    else if (match(s, /^(<>|<=|>=)/)) { tt[++n] = "o"; tk[n] = substr(s, 1, 2) }
    else { tt[++n] = "o"; tk[n] = substr(s, 1, 1); RLENGTH = 1 }
    s = substr(s, RLENGTH + 1)
  }
  ntok = n; pos = 1
}
function peek() { return pos <= ntok ? tk[pos] : "" }
function expect(t) {
  if (peek() != t) fail("expected " t)
  pos++
}
function fail(msg) {
  if (!error) error = "error at line " cur ": " msg
  pos = ntok + 1
}
function relation(   a, op, b) {
  a = expr()
  op = peek()
  if (op == "=" || op == "<>" || op == "<" || op == ">" || op == "<=" || op == ">=") {
    pos++; b = expr()
    if (op == "=") return a == b
    if (op == "<>") return a != b
    if (op == "<") return a < b
    if (op == ">") return a > b
    if (op == "<=") return a <= b
    return a >= b
  }
  return a
}
function expr(   v, op) {
  v = term()
  while ((op = peek()) == "+" || op == "-") {
    pos++
    v = op == "+" ? v + term() : v - term()
  }
  return v
}
function term(   v, op, d) {
  v = factor()
  while ((op = peek()) == "*" || op == "/" || op == "MOD") {
    pos++; d = factor()
    if (op == "*") v *= d
    else if (d == 0) { fail("division by zero"); return 0 }
    else if (op == "/") v /= d
    else v = v - d * int(v / d)
  }
  return v
}
function factor(   t, v) {
  if (pos > ntok) { fail("missing operand"); return 0 }
  t = tk[pos]
  if (tt[pos] == "n") { pos++; return t }
  if (tt[pos] == "v") { pos++; return var[t] + 0 }
  if (t == "-") { pos++; return -factor() }
  if (t == "(") { pos++; v = expr(); expect(")"); return v }
  if (t == "ABS" || t == "INT") {
    pos++; expect("("); v = expr(); expect(")")
    return t == "ABS" ? (v < 0 ? -v : v) : int(v)
  }
  fail("unexpected " t); return 0
}
# run one statement; returns the index of the next line to run
function statement(i,    kw, v, out, nl, target, lim) {
  kw = peek()
  if (kw == "REM") { pos = ntok + 1; return i + 1 }
  if (kw == "LET") { pos++; kw = peek() }
  if (tt[pos] == "v") {
    v = kw; pos++; expect("="); var[v] = expr(); return i + 1
  }
  pos++
  if (kw == "PRINT") {
    out = ""; nl = "\n"
    if (ntok >= pos && tk[ntok] == ";" && tt[ntok] == "o") nl = ""
    while (pos <= ntok) {
      if (tt[pos] == "s") out = out tk[pos++]
      else if (peek() == ";") pos++
      else if (peek() == ",") { out = out "\t"; pos++ }
      else out = out expr()
    }
    if (error != "") return 0
    printf "%s%s", out, nl
    return i + 1
  }
  if (kw == "GOTO" || kw == "GOSUB") {
    target = expr()
    if (!(target in index_of)) { fail("no line " target); return 0 }
    if (kw == "GOSUB") rstack[++rsp] = i + 1
    return index_of[target]
  }
  if (kw == "RETURN") {
    if (rsp < 1) { fail("RETURN without GOSUB"); return 0 }
    return rstack[rsp--]
  }
  if (kw == "IF") {
    v = relation()
    expect("THEN")
    target = expr()
    if (!v) return i + 1
    if (!(target in index_of)) { fail("no line " target); return 0 }
    return index_of[target]
  }
  if (kw == "FOR") {
    v = peek(); pos++; expect("=")
    var[v] = expr(); expect("TO"); lim = expr()
    step[v] = 1
    if (peek() == "STEP") { pos++; step[v] = expr() }
    limit[v] = lim; loopback[v] = i + 1
    return i + 1
  }
  if (kw == "NEXT") {
    v = peek(); pos++
    if (!(v in loopback)) { fail("NEXT without FOR"); return 0 }
    var[v] += step[v]
    if (step[v] >= 0 ? var[v] <= limit[v] : var[v] >= limit[v]) return loopback[v]
    delete loopback[v]
    return i + 1
  }
  if (kw == "END") return 0
  fail("unknown statement " kw)
  return 0
}
function run(   n, ln, i, j, steps) {
  n = 0
  for (ln in prog) {
    # insertion sort by line number
    for (j = ++n; j > 1 && lines[j - 1] > ln + 0; j--) lines[j] = lines[j - 1]
    lines[j] = ln + 0
  }
  for (i = 1; i <= n; i++) index_of[lines[i]] = i
  delete var; delete loopback; rsp = 0; error = ""
  i = 1
  while (i >= 1 && i <= n && error == "") {
    if (++steps > 10000) { fail("too many steps"); break }
    cur = lines[i]
    tokenize(prog[cur])
    i = statement(i)
    if (error == "" && pos <= ntok) fail("extra text " tk[pos])
  }
  if (error != "") print error
  delete lines; delete index_of
}
/^[0-9]+ / { n = $1; sub(/^[0-9]+ +/, ""); prog[n] = $0; next }
/^[0-9]+$/ { delete prog[$1]; next }
$0 == "RUN" { run(); next }
$0 == "LIST" { for (ln in prog) print ln, prog[ln]; next }
$0 == "NEW" { delete prog; next }
NF { print "?", $0 }
