# A JSON pretty printer and flattener. The whole input is read into one
# string, cut into tokens (strings with their escapes kept, numbers, the
# literals true/false/null, punctuation) and parsed by recursive descent.
# The document is printed indented by two blanks per level (empty arrays
# and objects stay on one line), then every scalar is listed with its
# path (a.b[2].c = value). Syntax errors name the token number and stop.
#
# Every AWK prints the same: the program keeps its own ordered lists and
# never walks an array with for-in.

function tokenize(s,    n, c, m) {
  n = 0
  while (s != "") {
    c = substr(s, 1, 1)
    if (c ~ /[ \t\n\r]/) { s = substr(s, 2); continue }
    if (c ~ /[][{}:,]/) { tok[++n] = c; s = substr(s, 2); continue }
    if (c == "\"") {
      if (!match(s, /^"([^"\\]|\\.)*"/)) { tok[++n] = "?unterminated string"; break }
    } else if (!match(s, /^(-?(0|[1-9][0-9]*)(\.[0-9]+)?([eE][-+]?[0-9]+)?|true|false|null)/)) {
      m = substr(s, 1, 10); sub(/[ \t\n\r].*/, "", m)
      tok[++n] = "?" m; break
    }
    tok[++n] = substr(s, 1, RLENGTH)
    s = substr(s, RLENGTH + 1)
  }
  ntok = n; p = 1
}
function fail(msg) {
  if (!failed) printf "error: %s at token %d (%s)\n", msg, p, p <= ntok ? tok[p] : "end of input"
  failed = 1; p = ntok + 1
}
function pad(level,    s) { s = ""; while (level-- > 0) s = s "  "; return s }
function emit(s) { out = out s }

# value(level, path): parses one value at tok[p], appends its pretty form
function value(level, path,    t) {
  if (p > ntok) { fail("unexpected end"); return }
  t = tok[p]
  if (t == "{") return object(level, path)
  if (t == "[") return array(level, path)
  if (t ~ /^["0-9tfn-]/ && t !~ /^\?/) {
    emit(t); p++
    paths[++npaths] = (path == "" ? "." : path) " = " t
    return
  }
  fail("unexpected token")
}
function object(level, path,    first, key) {
  p++
  if (tok[p] == "}") { emit("{}"); p++; return }
  emit("{\n")
  first = 1
  while (!failed) {
    if (!first) {
      if (tok[p] == "}") break
      if (tok[p] != ",") { fail("expected , or }"); return }
      p++; emit(",\n")
    }
    first = 0
    key = tok[p]
    if (key !~ /^"/) { fail("expected a key"); return }
    p++
    if (tok[p] != ":") { fail("expected :"); return }
    p++
    emit(pad(level + 1) key ": ")
    value(level + 1, path "." substr(key, 2, length(key) - 2))
  }
  if (failed) return
  emit("\n" pad(level) "}")
  p++
}
function array(level, path,    i) {
  p++
  if (tok[p] == "]") { emit("[]"); p++; return }
  emit("[\n")
  for (i = 0; !failed; i++) {
    if (i > 0) {
      if (tok[p] == "]") break
      if (tok[p] != ",") { fail("expected , or ]"); return }
      p++; emit(",\n")
    }
    emit(pad(level + 1))
    value(level + 1, path "[" i "]")
  }
  if (failed) return
  emit("\n" pad(level) "]")
  p++
}
function document(text,    i) {
  failed = 0; out = ""; npaths = 0
  tokenize(text)
  value(0, "")
  if (!failed && p <= ntok) fail("trailing text")
  if (failed) return
  print out
  for (i = 1; i <= npaths; i++) print paths[i]
}
# documents are separated by lines holding only "---"
$0 == "---" { document(text); text = ""; print "==="; next }
{ text = text $0 "\n" }
END { document(text) }
