# Bibliography records in paragraph mode (RS = ""): each paragraph holds
# "field: value" lines (author may repeat; a line starting with blanks
# continues the previous value). Each entry is printed as a citation:
#   Last, F., Last, F. & Last, F. (year). Title. Where.
# sorted by first author's last name, year and record number: the sort
# keys are built into an array walked with for-in, which visits keys in
# natural order here, so for the same name and year record 9 comes
# before record 10 and the input order is kept. Entries without a title
# are reported. gawk and mawk walk the keys in hash order, and a string
# sort would put record 10 first.
BEGIN { RS = ""; FS = "\n" }
{
  delete e; na = 0; last = ""
  for (i = 1; i <= NF; i++) {
    if ($i ~ /^[ \t]/) { if (last != "") { t = $i; sub(/^[ \t]+/, " ", t); e[last] = e[last] t }; continue }
    if (!match($i, /^[a-z]+:/)) continue
    f = substr($i, 1, RLENGTH - 1)
    v = substr($i, RLENGTH + 1); sub(/^[ \t]+/, "", v)
    if (f == "author") { f = "author" ++na }
    e[f] = v; last = f
  }
  if (!("title" in e)) { printf "record %d: no title\n", NR; next }
  auth = ""
  for (i = 1; i <= na; i++) {
    n = split(e["author" i], p, " ")
    a = p[n] ", " substr(p[1], 1, 1) "."
    auth = auth (i == 1 ? "" : i == na ? " & " : ", ") a
    if (i == 1) { split(e["author1"], q, " "); firstlast = q[n] }
  }
  if (na == 0) { auth = "Anon."; firstlast = "Anon" }
  key = firstlast " " e["year"] " " NR
  cite[key] = auth " (" (e["year"] == "" ? "n.d." : e["year"]) "). " e["title"] ". " e["where"] "."
}
END { for (k in cite) print cite[k] }
