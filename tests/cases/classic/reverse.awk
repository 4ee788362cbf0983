# Three reversals of the input: the lines in reverse order (tac), the
# words of each line in reverse order with single blanks, and the bytes
# of each line reversed (rev). Also a palindrome check of each line,
# ignoring case and everything but letters and digits.
{ line[NR] = $0 }
END {
  print "== tac"
  for (i = NR; i >= 1; i--) print line[i]
  print "== words"
  for (i = 1; i <= NR; i++) {
    n = split(line[i], w, " ")
    out = ""
    for (j = n; j >= 1; j--) out = out w[j] (j > 1 ? " " : "")
    print out
  }
  print "== rev"
  for (i = 1; i <= NR; i++) print rev(line[i])
  print "== palindromes"
  for (i = 1; i <= NR; i++) {
    s = tolower(line[i])
    gsub(/[^a-z0-9]/, "", s)
    if (s != "" && s == rev(s)) print i ": " line[i]
  }
}
function rev(s,    r, k) {
  r = ""
  for (k = length(s); k > 0; k--) r = r substr(s, k, 1)
  return r
}
