# Without a main rule no record is looked at, and the reader passes over
# whole buffers of them: NR and FNR still count every record, across files,
# up to a last line without a newline.
BEGIN {
  for (i = 1; i <= 3000; i++)
    printf "%0" (i * 7919 % 61 + 1) "d%s", i, (i < 3000 ? "\n" : "") > "big.txt"
  close("big.txt")
  printf "x\ny" > "small.txt"
  close("small.txt")
  ARGV[1] = "big.txt"; ARGV[2] = "small.txt"; ARGV[3] = "big.txt"; ARGC = 4
}
ENDFILE { print FILENAME, FNR, NR }
END { print NR }
