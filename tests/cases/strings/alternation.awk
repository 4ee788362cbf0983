# Alternations of words and runs of one class: leftmost-longest matches,
# matches at the ends of long subjects, and gsub over many blocks.
BEGIN {
  s = "xxabcab xx abc-abcd ab"
  n = split("a|ab|abc,abcd|abc,b|ab,zulu|quebec,[0-9]+,[a-c]+,x+", pats, ",")
  for (i = 1; i <= n; i++) {
    match(s, pats[i])
    t = s
    c = gsub(pats[i], "<&>", t)
    print pats[i] ": " RSTART " " RLENGTH " " c " " t
  }
  long = ""
  for (i = 0; i < 40; i++) long = long sprintf("w%02d.", i)
  long = long "zulu"
  print match(long, /quebec|zulu/), RLENGTH, gsub(/[0-9]+/, "#", long), long
  print match("zul", /quebec|zulu/), gsub(/z|zu/, "Z", long), substr(long, length(long) - 5)
}
{ if ($0 ~ /quebec|yankee|zulu/) print NR ": " $0 }
