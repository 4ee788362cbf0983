# sub, gsub and their plain-text forms subs and gsubs: & and its escapes,
# $n groups, the mode argument (0: & and $n are plain, 2: backslashes are
# plain too), empty matches, `^` only at the start of the target, a target
# left as it was (a number stays a number) without a match. match: its start argument,
# RSTART and RLENGTH, and the position and length arrays of the groups.
function g(p, r, s, m,   n) { n = m "" == "-" ? gsub(p, r, s) : gsub(p, r, s, m); print n, s }
function s1(p, r, s,   n) { n = sub(p, r, s); print n, s, typeof(s) }
function m(s, p, st,   r) { r = st "" == "-" ? match(s, p) : match(s, p, st); print r, RSTART, RLENGTH }
BEGIN {
  g("x*", "-", "abc", "-"); g("b*", "-", "abc", "-"); g("(a)(b)", "$2$1", "abab", "-")
  g("(a)(b)", "$3", "abab", "-"); g("(a)(b)", "<$0>", "abab", "-"); g("(a)(b)", "\\$1", "ab", "-")
  g("^a", "b", "aaa", "-"); g("^a", "", "aaa", "-"); g("a", "&&", "banana", 0)
  g("a", "[&]", "banana", 2); g("a", "\\&\\x\\", "aa", 2); g("$", "!", "ab", "-")
  g("", "-", "", "-"); g("an", "AN", "banana", "-")
  s1("a", "[&]", "cat"); s1("a", "\\&", "cat"); s1("a", "\\\\&", "cat")
  s1("a", "\\\\\\&", "cat"); s1("o", "$1", "foo"); s1("z", "y", 5)
  t = "ab"; n = gsubs("", "-", t); print n, t
  t = "a.ba."; n = gsubs("a.", "X", t); print n, t
  t = "x&y&"; n = subs("&", "[&]", t); print n, t
  t = "abc"; n = subs("q", "-", t); print n, t
  m("foobar", "o+", "-"); m("abc", "b", 5); m("abc", "^b", 2); m("abc", "^b", 1)
  m("abc", "c", -7); m("abc", "$", 4); m("abc", "x", "-"); m("abc", never, "-")
  pos[7] = 99
  n = match("ab", "(x)?b", 1, pos, len); print n, pos[0], pos[1], len[0], len[1], (7 in pos)
  n = match("xaby", "(a)(b)", 1, pos, len); print n, pos[2], len[2]
}
