# unpack(f, pack(f, v...)) gives back v for every numeric letter, in both
# byte orders and with alignment, over random values in each letter's range;
# pack also takes its values from an array, by name and by number.
function check(fmt, lo, span, isfloat,   i, v, w, bad) {
  for (i = 0; i < 200; i++) {
    v = isfloat ? (rand() - 0.5) * span : lo + int(rand() * span)
    unpack(fmt, pack(fmt, v), u)
    w = u["v"]
    if (isfloat == 1 && (v - w > 1e-6 * (v < 0 ? -v : v) || w - v > 1e-6 * (v < 0 ? -v : v))) bad++
    else if (isfloat != 1 && w != v) bad++
  }
  printf "%-8s %s\n", fmt, bad ? bad " mismatches" : "ok"
}
BEGIN {
  srand(12)
  check("v@b", -128, 256); check("v@B", 0, 256)
  check("v@s", -32768, 65536); check("v@<S", 0, 65536)
  check("v@l", -2147483647, 4294967295); check("#v@<l", -2147483647, 4294967295)
  check("v@L", 0, 4294967295); check("v@<L", 0, 4294967295)
  check("v@f", 0, 1e6, 1); check("v@<f", 0, 1e30, 1)
  check("v@d", 0, 1e300, 2); check("v@<d", 0, 1e-300, 2)
  a["name"] = "Ada"; a["age"] = 36; a[1] = 7; a[2] = 8
  r = pack("name@8a age@s @b @b", a)
  unpack("name@8a age@s @b @b", r, b)
  print length(r), b["name"], b["age"], b[1], b[2]
}
