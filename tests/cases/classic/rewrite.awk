# A field rewriter for a whitespace-separated ledger:
#   - dates YYYY-MM-DD in field 1 become DD.MM.YYYY;
#   - fields 2 and 3 (account, code) are swapped;
#   - the amount (last field) is reformatted to two decimals and a
#     leading "+" for credits;
#   - a trailing comment beginning with "#" is dropped (NF is lowered);
#   - the record is rebuilt with OFS = " | " (assigning $1 rebuilds $0).
# Lines with fewer than 4 fields pass through unchanged.
#
# mawk and gawk print the same: -64.375 is exact in binary and rounds to
# even (-64.38); -0.004 is not zero within its three decimals, so it keeps
# its sign as -0.00.
BEGIN { OFS = " | " }
NF < 4 { print; next }
{
  for (i = 1; i <= NF; i++)
    if ($i ~ /^#/) { NF = i - 1; break }
  if ($1 ~ /^[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]$/)
    $1 = substr($1, 9, 2) "." substr($1, 6, 2) "." substr($1, 1, 4)
  t = $2; $2 = $3; $3 = t
  $NF = sprintf("%+.2f", $NF)
  print
  n++
}
END { print n " lines rewritten" }
