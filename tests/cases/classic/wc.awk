# A wc work-alike: lines, words and bytes per input file and a total line.
# Each operand is read in turn; FNR == 1 marks a file change, so a file's
# counts are printed when the next one starts and the last one in END.
# The bytes count adds one newline per line, as every line of the inputs
# ends with one.
FNR == 1 && NR > 1 { report() }
{
  lines++
  words += NF
  bytes += length($0) + 1
  name = FILENAME
}
END {
  report()
  printf "%7d %7d %7d %s\n", tl, tw, tb, "total"
}
function report(  base) {
  base = name
  sub(/.*\//, "", base)
  printf "%7d %7d %7d %s\n", lines, words, bytes, base
  tl += lines; tw += words; tb += bytes
  lines = words = bytes = 0
}
