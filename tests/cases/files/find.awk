# findfirst/findnext walk the names matching a wildcard, skipping
# directories unless attribute bit 16 asks for them; dirlist lists every
# entry in directory order, as ls -f does.
function all(pattern, attr,   n, p, out) {
  for (p = findfirst(pattern, attr); p != ""; p = findnext()) out[++n] = p
  return join(out, n)
}
function join(a, n,   i, s, t, out) {
  # sorted, since directory order is the file system's own
  for (i = 1; i <= n; i++) t[a[i]] = 1
  for (s in t) out = out " " s
  return out
}
BEGIN {
  system("mkdir d d/x.c d/sub; touch d/a.c d/b.h d/c.c d/.h.c d/sub/z.c")
  print "*.c:" all("d/*.c")
  print "*.c with dirs:" all("d/*.c", 16)
  print "?.?:" all("d/?.?")
  print "[ab].*:" all("d/[ab].*")
  print "[!a-b]*:" all("d/[!a-b]*", 16)
  print "unclosed [:" all("d/[ab.c") "|"
  print "stray ]:" all("d/a].c") "|"
  print "no such dir:" all("nodir/*") "|"
  print "in sub:" all("d/sub/*")
  p = findfirst("d/a.c", 0, info)
  print "info:", p, info["time"], info["date"], info["attrs"], info["size"], length(info)
  print "after the end:", "[" findnext() "]", "[" findnext() "]"
  r = dirlist("d", names)
  print "dirlist:", r, length(names)
  "ls -f d" | getline l
  ok = 1
  for (i = 1; i <= length(names); i++) {
    if (i > 1) "ls -f d" | getline l
    if (names[i] != l) ok = 0
  }
  print "in ls -f order:", ok
  names["stale"] = 1
  r = getdirlist("missing", names)
  print "missing dir:", r, length(names)
  print "no array:", dirlist("d"), dirlist(""), getdirlist("d/a.c")
}
