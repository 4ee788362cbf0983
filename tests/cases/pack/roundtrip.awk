# unpack(f, pack(f, v)) gives back v for every numeric letter over random
# values in its range (f: within single precision); pack also takes its
# values from an array, by name and by number, and converts text values.
BEGIN {
  srand(12)
  n = split("b -128 256 B 0 256 s -32768 65536 <S 0 65536 l -2147483647 4294967295 " \
            "#<l -2147483647 4294967295 L 0 4294967295 <L 0 4294967295 f 0 1e6 <d 0 1e300", t, " ")
  for (i = 1; i <= n; i += 3) {
    bad = 0
    for (j = 0; j < 200; j++) {
      v = t[i] ~ /[fd]/ ? (rand() - 0.5) * t[i + 2] : t[i + 1] + int(rand() * t[i + 2])
      unpack("@b v@" t[i], pack("@b v@" t[i], 1, v), u)
      d = u["v"] - v
      if (t[i] ~ /f/ ? d * d > 1e-12 * v * v : d != 0) bad++
    }
    print t[i], bad ? bad " mismatches" : "ok"
  }
  a["name"] = "Ada"; a["age"] = 36; a[1] = 7; a[2] = 8
  unpack("name@8a age@s @b @b", r = pack("name@8a age@s @b @b", a), b)
  print length(r), b["name"], b["age"], b[1], b[2]
  unpack("v@d", pack("v@d", "2.5"), u); print "text to double:", u["v"]
}
