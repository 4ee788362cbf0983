# A rule that only tests an alternation of plain texts: the records passed
# over between matches still count in NR and FNR, over stdio buffers of
# many records, across files, up to a last line without a newline.
BEGIN {
  for (i = 1; i <= 3000; i++) {
    line = sprintf("%0" (i * 7919 % 61 + 1) "d", i)
    if (i == 1 || i % 509 == 0) line = line " needle"
    if (i == 2 || i % 701 == 0 || i == 2999) line = line " pin"
    printf "%s%s", line, (i < 3000 ? "\n" : " pin") > "big.txt"
  }
  close("big.txt")
  ARGV[1] = "big.txt"; ARGV[2] = "big.txt"; ARGC = 3
}
/needle|pin/ { print FILENAME, NR, FNR, length($0) }
END { print NR }
