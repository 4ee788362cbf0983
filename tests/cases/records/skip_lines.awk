# A rule that only tests a plain text: the records passed over between
# matches still count in NR and FNR, over stdio buffers of many records,
# across files, up to a last line without a newline, and after the rule
# changes the record separator.
BEGIN {
  for (i = 1; i <= 3000; i++) {
    line = sprintf("%0" (i * 7919 % 61) "d", i)
    if (i == 1 || i == 2 || i % 509 == 0 || i == 2999) line = line " needle"
    printf "%s%s", line, (i < 3000 ? "\n" : " needle") > "big.txt"
  }
  close("big.txt")
  printf "a;b needle;c;d\nneedle e;f\n" > "small.txt"
  close("small.txt")
  ARGV[1] = "big.txt"; ARGV[2] = "big.txt"; ARGV[3] = "small.txt"; ARGC = 4
}
/needle/ {
  print FILENAME, NR, FNR, length($0)
  if (FILENAME == "small.txt") RS = ";"
}
END { print NR }
