# A record of 20,000 fields keeps every one: NF, the last field, and $0 as
# rebuilt after an assignment (nothing dropped past field 10,000). Reading
# a field past NF yields "" without changing NF.
BEGIN {
  for (i = 1; i <= 20000; i++) s = s i " "
  $0 = s
  print NF, $20000, $30000 "|", NF
  $1 = "one"
  n = split($0, f, " ")
  print NF, n, f[1], f[20000], length($0)
}
