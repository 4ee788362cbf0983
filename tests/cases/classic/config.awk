# An INI-style configuration parser.
#   [section]            starts a section (names are folded to lower case)
#   key = value          sets section.key; later settings override earlier
#   key += value         appends to a list (comma separated)
#   ; or # comments      whole-line, or after a blank outside quotes
#   "quoted values"      keep blanks and comment characters
#   trailing backslash   continues the value on the next line
#   ${section.key}       is replaced by that setting (or ${key} in the
#                        same section); unknown names are errors
# Then it prints every setting sorted by name with its type (int, float,
# bool, list or string), followed by the errors with line numbers (a
# continued line counts once).
#
# The settings print sorted because for-in visits keys in natural order
# here (so server.port2 would come after server.port, and item9 before
# item10); gawk and mawk visit them in hash order.

function trim(s) { sub(/^[ \t]+/, "", s); sub(/[ \t]+$/, "", s); return s }
function err(msg) { errors[++nerr] = "line " lineno ": " msg }

# strip a trailing comment that is not inside double quotes
function uncomment(s,    i, c, q, out) {
  q = 0; out = ""
  for (i = 1; i <= length(s); i++) {
    c = substr(s, i, 1)
    if (c == "\"") q = !q
    else if (!q && (c == ";" || c == "#") && (i == 1 || substr(s, i - 1, 1) ~ /[ \t]/)) break
    out = out c
  }
  return out
}
function unquote(s) {
  if (s ~ /^".*"$/) return substr(s, 2, length(s) - 2)
  return s
}
function kind(v) {
  if (v ~ /^[-+]?[0-9]+$/) return "int"
  if (v ~ /^[-+]?[0-9]*\.[0-9]+$/) return "float"
  if (tolower(v) ~ /^(true|false|yes|no|on|off)$/) return "bool"
  if (v ~ /,/) return "list"
  return "string"
}
# expand ${name} references, at most 10 rounds deep
function expand(v, sect,    round, name, full) {
  for (round = 0; round < 10 && match(v, /\$\{[^}]*\}/); round++) {
    name = substr(v, RSTART + 2, RLENGTH - 3)
    full = index(name, ".") ? name : sect "." name
    if (!(full in conf)) { err("unknown reference ${" name "}"); return v }
    v = substr(v, 1, RSTART - 1) conf[full] substr(v, RSTART + RLENGTH)
  }
  if (round == 10) err("references nested too deeply")
  return v
}

{
  line = $0
  while (line ~ /\\$/ && (getline more) > 0)
    line = substr(line, 1, length(line) - 1) trim(more)
  lineno++
}
line ~ /^[ \t]*([;#].*)?$/ { next }
line ~ /^[ \t]*\[/ {
  if (!match(line, /\[[A-Za-z0-9_.]+\]/)) { err("bad section header"); next }
  section = tolower(substr(line, RSTART + 1, RLENGTH - 2))
  next
}
{
  line = uncomment(line)
  if (!match(line, /\+?=/)) { err("expected key = value"); next }
  key = tolower(trim(substr(line, 1, RSTART - 1)))
  op = substr(line, RSTART, RLENGTH)
  val = unquote(trim(substr(line, RSTART + RLENGTH)))
  if (key !~ /^[a-z_][a-z0-9_]*$/) { err("bad key '" key "'"); next }
  if (section == "") { err("setting outside a section"); next }
  full = section "." key
  val = expand(val, section)
  if (op == "+=" && full in conf && conf[full] != "") conf[full] = conf[full] "," val
  else conf[full] = val
}
END {
  for (k in conf) printf "%-24s %-6s %s\n", k, kind(conf[k]), conf[k]
  for (i = 1; i <= nerr; i++) print "error: " errors[i]
}
