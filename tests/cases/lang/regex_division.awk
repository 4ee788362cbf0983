# A slash starts a regular expression where an operand is expected and is
# a division after an operand: after a number, a variable, ")" or "]". A
# regular expression may begin with "=" (not the /= operator there) and may
# hold a "/" inside brackets or escaped.
BEGIN {
  x = 8; a[1] = 6
  print x / 2 / 2, x /2/ 2, (x) / 4, a[1] / 3, 6 / 3
  s = "a=b/c"
  print (s ~ /=/), (s ~ /b\/c/), (s ~ /[/]/), (s ~ /^a/), ("x" ~ /=/)
  y = 10; y /= 5; print y
  print !/z/, (/z/ ? "m" : "n"), ("ab" ~ /a/ && "ab" !~ /c/)
  n = split("p/q/r", parts, /\//); print n, parts[3]
}
