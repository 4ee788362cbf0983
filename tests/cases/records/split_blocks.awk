# Records split sixteen bytes at a time: separators and blank runs on
# either side of each block boundary and at the very end, under a
# one-byte FS and the default FS.
BEGIN {
  for (n = 14; n <= 34; n++) {
    s = sprintf("%*s", n, ""); gsub(/ /, "x", s)
    for (k = n - 3; k <= n; k++) {
      r = substr(s, 1, k - 1) "," substr(s, k + 1)
      FS = ","; $0 = r; a = NF ":" length($1) ":" length($NF)
      gsub(/,/, " \t", r); FS = " "; $0 = r " "
      b = NF ":" length($1) ":" length($NF)
      line = line " " a "/" b
    }
    print n line; line = ""
  }
}
