# A cash till: "item price" lines add to the current sale, "pay amount"
# adds a payment and closes the sale once the payments cover it (paid
# exactly, or with change), "void" cancels the sale, "report" prints the
# day's takings. Prices and payments are handled as the decimal numbers
# they are written as, with no rounding to cents.
#
# Differences, by the run-time's rules: every number carries the count of
# decimals it was written with, sums keep the larger count, and a
# comparison treats a difference below that precision as zero. So a
# payment of 0.30 for items of 0.10 and 0.20 is exact, and ten coins of
# 0.10 are paid exactly by 1.00. gawk and mawk compare the binary
# doubles: they find the first sale 5.55112e-17 short and keep it open,
# so every later line of their output differs. Totals print through %.2f.
$1 == "void" { printf "sale %d voided (%.2f)\n", sale + 1, due; due = paid = items = 0; next }
$1 == "report" {
  printf "report: %d sales, takings %.2f, change given %.2f\n", sale, takings, change
  next
}
$1 == "pay" {
  paid += $2
  if (paid < due) { printf "sale %d: %.2f due, %s still missing\n", sale + 1, due, due - paid; next }
  sale++
  if (paid == due) printf "sale %d: %d items, %.2f paid exactly\n", sale, items, due
  else { printf "sale %d: %d items, %.2f, change %.2f\n", sale, items, due, paid - due; change += paid - due }
  takings += due; due = paid = items = 0
  next
}
NF == 2 { due += $2; items++; next }
{ print "? " $0 }
