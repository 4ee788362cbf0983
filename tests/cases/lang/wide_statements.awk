# Statements wider than the run-time's unchecked stack room (40 cells):
# a print with 45 items is written in pieces through printf ("%s" keeps
# print's OFMT conversion, OFS goes between items and ORS after the last),
# a printf with a constant format is cut between conversions, and a long
# concatenation is joined in steps. The output is what one statement
# would write; items with side effects are evaluated first to last, as in
# gawk and mawk.
BEGIN {
  split("a 1.5 x 7 y 0.25 z", v, " "); v[0] = 1 / 3
  OFS = ":"; ORS = "|\n"
  print v[1], v[2], v[3], v[4], v[5], v[6], v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[0], v[1], v[2], v[3]
  print v[1], v[2], v[3], v[4], v[5], v[6], v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[0], v[1], v[2], v[3] > "wide.txt"
  close("wide.txt"); getline back < "wide.txt"; print length(back)
  ORS = "\n"
  printf "%s-%s-%s-%s-%s-%s-%s-%s-%s-%s-%s-%s-%s-%s-%s-%s-%s-%s-%s-%s-%s-%s-%s-%s-%s-%s-%s-%s-%s-%s-%s-%s-%s-%s-%s-%s-%s-%s-%s-%s-%s-%s-%s-%s-%s-%d\n", v[1], v[2], v[3], v[4], v[5], v[6], v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[0], v[1], v[2], v[3], 99
  s = v[1] v[2] v[3] v[4] v[5] v[6] v[0] v[1] v[2] v[3] v[4] v[5] v[6] v[0] v[1] v[2] v[3] v[4] v[5] v[6] v[0] v[1] v[2] v[3] v[4] v[5] v[6] v[0] v[1] v[2] v[3] v[4] v[5] v[6] v[0] v[1] v[2] v[3] v[4] v[5] v[6] v[0] v[1] v[2] v[3]
  print length(s), substr(s, 1, 12)
  n = 0
  print n++, n++, n++, n++, n++, n++, n++, n++, n++, n++, n++, n++, n++, n++, n++, n++, n++, n++, n++, n++, n++, n++, n++, n++, n++, n++, n++, n++, n++, n++
}
