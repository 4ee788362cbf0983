# A Markdown subset to HTML: "#" headings (levels 1-6), paragraphs joined
# from consecutive lines, "-"/"*" bullet lists and "1." numbered lists,
# "> " block quotes, fenced code blocks between "```" lines (kept
# verbatim, HTML-escaped), horizontal rules ("---"), and inline
# **strong**, *emphasis*, `code` and [text](url) links. &, < and > are
# escaped everywhere first. A table of contents of the headings with
# numbered anchors is printed after the document.
#
# The replacement texts use "\\&" for a literal ampersand, as in every
# AWK; no replacement uses "$" (a "$" followed by a digit would name a
# group here when the pattern has groups), so gawk and mawk print the
# same.

function escape(s) {
  gsub(/&/, "\\&amp;", s)
  gsub(/</, "\\&lt;", s)
  gsub(/>/, "\\&gt;", s)
  return s
}
# inline markup on already escaped text
function inline(s,    out, st, len) {
  out = ""
  # code spans first: their contents get no further markup (inline2 runs
  # match() too, so the span's position is saved first)
  while (match(s, /`[^`]+`/)) {
    st = RSTART; len = RLENGTH
    out = out inline2(substr(s, 1, st - 1)) "<code>" substr(s, st + 1, len - 2) "</code>"
    s = substr(s, st + len)
  }
  return out inline2(s)
}
function inline2(s,    out, text, url) {
  while (match(s, /\*\*[^*]+\*\*/))
    s = substr(s, 1, RSTART - 1) "<strong>" substr(s, RSTART + 2, RLENGTH - 4) "</strong>" substr(s, RSTART + RLENGTH)
  while (match(s, /\*[^*]+\*/))
    s = substr(s, 1, RSTART - 1) "<em>" substr(s, RSTART + 1, RLENGTH - 2) "</em>" substr(s, RSTART + RLENGTH)
  out = ""
  while (match(s, /\[[^]]+\]\([^)]+\)/)) {
    text = substr(s, RSTART + 1, RLENGTH - 2)
    url = text; sub(/^.*\]\(/, "", url)
    sub(/\]\(.*$/, "", text)
    out = out substr(s, 1, RSTART - 1) "<a href=\"" url "\">" text "</a>"
    s = substr(s, RSTART + RLENGTH)
  }
  return out s
}
function close_block() {
  if (para != "") { print "<p>" inline(para) "</p>"; para = "" }
  if (list != "") { print "</" list ">"; list = "" }
  if (quote) { print "</blockquote>"; quote = 0 }
}
function open_list(kind) {
  if (para != "") { print "<p>" inline(para) "</p>"; para = "" }
  if (quote) { print "</blockquote>"; quote = 0 }
  if (list != kind) { if (list != "") print "</" list ">"; print "<" kind ">"; list = kind }
}
incode {
  if ($0 ~ /^```/) { print "</code></pre>"; incode = 0 }
  else print escape($0)
  next
}
/^```/ { close_block(); lang = substr($0, 4); print "<pre><code" (lang != "" ? " class=\"" lang "\"" : "") ">"; incode = 1; next }
{ line = escape($0) }
line ~ /^[ \t]*$/ { close_block(); next }
line ~ /^---+[ \t]*$/ { close_block(); print "<hr>"; next }
line ~ /^#+ / {
  close_block()
  match(line, /^#+/)
  level = RLENGTH > 6 ? 6 : RLENGTH
  title = substr(line, RLENGTH + 2)
  nh++
  toc[nh] = sprintf("%*s<a href=\"#h%d\">%s</a>", 2 * (level - 1), "", nh, inline(title))
  printf "<h%d id=\"h%d\">%s</h%d>\n", level, nh, inline(title), level
  next
}
line ~ /^[-*] / { open_list("ul"); print "<li>" inline(substr(line, 3)) "</li>"; next }
line ~ /^[0-9]+\. / { open_list("ol"); sub(/^[0-9]+\. /, "", line); print "<li>" inline(line) "</li>"; next }
line ~ /^&gt; ?/ {
  if (list != "" || para != "") close_block()
  if (!quote) { print "<blockquote>"; quote = 1 }
  sub(/^&gt; ?/, "", line)
  print "<p>" inline(line) "</p>"
  next
}
{
  if (list != "" || quote) close_block()
  para = para (para == "" ? "" : " ") line
}
END {
  if (incode) print "</code></pre>"
  close_block()
  print "<!-- contents -->"
  for (i = 1; i <= nh; i++) print toc[i]
}
