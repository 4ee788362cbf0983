# A bank-statement reconciler. The first operand is the bank statement
# (date,description,amount as CSV with an opening-balance line), the
# second the book ledger (date|cheque-or-ref|payee|amount). A ledger entry
# matches a bank line with the same amount in cents whose date lies at
# most 4 days later; each bank line matches once, earliest first. The
# report lists matches, uncleared ledger entries, bank lines missing from
# the books, and the reconciliation of the two balances.
#
# Amounts are kept in whole cents (int(x * 100 + 0.5) rounding away from
# zero) so that sums compare exactly in every AWK. The same output comes
# from gawk and mawk: the program walks its own arrays by index.

function days(d,    y, m, dd, a, yy, mm) {
  # civil date (YYYY-MM-DD) to a day count
  split(d, a, "-")
  y = a[1] + 0; m = a[2] + 0; dd = a[3] + 0
  yy = m <= 2 ? y - 1 : y
  mm = m <= 2 ? m + 9 : m - 3
  return 365 * yy + int(yy / 4) - int(yy / 100) + int(yy / 400) + int((153 * mm + 2) / 5) + dd
}
function cents(s,    neg, v) {
  gsub(/[ $]/, "", s)
  neg = s ~ /^-/
  if (neg) s = substr(s, 2)
  v = int(s * 100 + 0.5)
  return neg ? -v : v
}
function fmt(c,    s) {
  s = sprintf("%d.%02d", (c < 0 ? -c : c) / 100, (c < 0 ? -c : c) % 100)
  return (c < 0 ? "-" : "") s
}

FNR == NR {
  # bank statement
  if ($0 ~ /^#/ || $0 == "") next
  n = split($0, f, ",")
  if (f[2] == "OPENING") { bankopen = cents(f[3]); next }
  nb++
  bdate[nb] = f[1]; bday[nb] = days(f[1]); bdesc[nb] = f[2]; bamt[nb] = cents(f[3])
  banktotal += bamt[nb]
  next
}
{
  # ledger
  if ($0 ~ /^#/ || $0 == "") next
  split($0, f, "|")
  if (f[3] == "OPENING") { bookopen = cents(f[4]); next }
  nl++
  ldate[nl] = f[1]; lday[nl] = days(f[1]); lref[nl] = f[2]; lpayee[nl] = f[3]
  lamt[nl] = cents(f[4])
  booktotal += lamt[nl]
}
END {
  for (i = 1; i <= nl; i++) {
    best = 0
    for (j = 1; j <= nb; j++) {
      if (j in taken || bamt[j] != lamt[i]) continue
      lag = bday[j] - lday[i]
      if (lag < 0 || lag > 4) continue
      if (!best || bday[j] < bday[best]) best = j
    }
    if (best) { taken[best] = i; match_of[i] = best }
  }

  print "MATCHED"
  for (i = 1; i <= nl; i++)
    if (i in match_of) {
      j = match_of[i]
      printf "  %-10s %-6s %-18s %10s  cleared %s (+%d)\n", ldate[i], lref[i], lpayee[i], fmt(lamt[i]), bdate[j], bday[j] - lday[i]
      nm++
    }
  print "UNCLEARED IN BOOKS"
  for (i = 1; i <= nl; i++)
    if (!(i in match_of)) {
      printf "  %-10s %-6s %-18s %10s\n", ldate[i], lref[i], lpayee[i], fmt(lamt[i])
      uncleared += lamt[i]
    }
  print "NOT IN BOOKS"
  for (j = 1; j <= nb; j++)
    if (!(j in taken)) {
      printf "  %-10s %-25s %10s\n", bdate[j], bdesc[j], fmt(bamt[j])
      missing += bamt[j]
    }

  bankbal = bankopen + banktotal
  bookbal = bookopen + booktotal
  print "RECONCILIATION"
  printf "  %-34s %12s\n", "bank closing balance", fmt(bankbal)
  printf "  %-34s %12s\n", "plus uncleared book entries", fmt(uncleared)
  printf "  %-34s %12s\n", "less bank items not in books", fmt(missing)
  adj = bankbal + uncleared - missing
  printf "  %-34s %12s\n", "adjusted bank balance", fmt(adj)
  printf "  %-34s %12s\n", "book balance", fmt(bookbal)
  if (adj == bookbal) print "  balanced"
  else printf "  OUT OF BALANCE by %s\n", fmt(adj - bookbal)
  printf "%d of %d ledger entries matched\n", nm, nl
}
