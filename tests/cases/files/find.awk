# findfirst/findnext walk the names matching a wildcard, skipping
# directories unless attribute bit 16 asks for them; dirlist lists every
# entry in directory order, as ls -f does.
function all(pattern, attr,   p, seen, out) {
  # sorted through for-in, since directory order is the file system's own
  for (p = findfirst(pattern, attr); p != ""; p = findnext()) seen[p] = 1
  for (p in seen) out = out " " p
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
  system("touch top.c"); print "no dir part:" all("*.c")
  p = findfirst("d/a.c", 0, info)
  print "info:", p, info["time"], info["date"], info["attrs"], info["size"], length(info)
  print "after the end:", "[" findnext() "]", "[" findnext() "]"
  r = dirlist("d", names)
  print "dirlist:", r, length(names)
  for (i = 1; ("ls -f d" | getline l) > 0; i++) ok = ok (names[i] == l)
  print "in ls -f order:", ok, i - 1
  names["stale"] = 1
  r = getdirlist("missing", names)
  print "missing dir:", r, length(names)
  print "no array:", dirlist("d"), dirlist(""), getdirlist("d/a.c")
}
