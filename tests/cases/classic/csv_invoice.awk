# CSV to report: invoice lines in CSV (quoted fields, doubled quotes,
# commas and line breaks inside quotes) become a per-customer invoice
# report with VAT and a summary.
#
# Differences from mawk and gawk, by the run-time's rules:
# - Customers come out in natural key order (for-in is sorted here).
# - The quoted unit price "2,50" reads as 2.5: a comma is a decimal
#   separator when a string is converted to a number. mawk and gawk read
#   2 there, and their totals for that customer and overall are lower.
# - The quantity 0x10 and the price 0x1A read as hexadecimal 16 and 26
#   here (mawk agrees, its conversion accepts C hexadecimal); gawk reads
#   them as 0 and rejects the line.

# parse_csv(line, f): splits one CSV record into f[1..n], returns n, or -1
# when a quoted field is still open at the end of the line.
function parse_csv(s, f,    n, pos, c, field, inq, len) {
  delete f
  n = 0; field = ""; inq = 0; len = length(s)
  for (pos = 1; pos <= len; pos++) {
    c = substr(s, pos, 1)
    if (inq) {
      if (c == "\"") {
        if (substr(s, pos + 1, 1) == "\"") { field = field "\""; pos++ }
        else inq = 0
      } else field = field c
    } else if (c == "\"") inq = 1
    else if (c == ",") { f[++n] = field; field = "" }
    else field = field c
  }
  if (inq) return -1
  f[++n] = field
  return n
}

function trim(s) {
  sub(/^[ \t]+/, "", s)
  sub(/[ \t]+$/, "", s)
  return s
}

function money(x,    s, neg, out) {
  neg = x < 0; if (neg) x = -x
  s = sprintf("%.2f", x)
  out = substr(s, length(s) - 2)
  s = substr(s, 1, length(s) - 3)
  while (length(s) > 3) {
    out = "," substr(s, length(s) - 2) out
    s = substr(s, 1, length(s) - 3)
  }
  return (neg ? "-" : "") s out
}

BEGIN { VAT = 0.2; rec = 0 }

NR == 1 { ncol = parse_csv($0, hdr); next }

{
  text = $0
  # a quoted field may span lines: join until the quotes balance
  while ((n = parse_csv(text, f)) < 0) {
    if ((getline more) <= 0) { printf "line %d: unterminated quote\n", NR; bad++; next }
    text = text "\n" more
  }
  if (n != ncol) { printf "line %d: %d fields, expected %d\n", NR, n, ncol; bad++; next }
  cust = trim(f[2])
  qty = f[4] + 0
  price = f[5] + 0
  if (qty <= 0) { printf "line %d: bad quantity '%s'\n", NR, f[4]; bad++; next }
  rec++
  item[cust, ++items[cust]] = f[3]
  amount[cust, items[cust]] = qty * price
  qtys[cust, items[cust]] = qty
  prices[cust, items[cust]] = price
  net[cust] += qty * price
  inv[cust] = inv[cust] (inv[cust] == "" ? "" : " ") f[1]
}

END {
  for (c in net) {
    printf "Customer: %s (invoices %s)\n", c, inv[c]
    for (i = 1; i <= items[c]; i++) {
      desc = item[c, i]
      gsub(/\n/, " / ", desc)
      if (length(desc) > 28) desc = substr(desc, 1, 25) "..."
      printf "  %-28s %4d x %9s = %11s\n", desc, qtys[c, i], money(prices[c, i]), money(amount[c, i])
    }
    tax = net[c] * VAT
    printf "  %-45s %11s\n", "net", money(net[c])
    printf "  %-45s %11s\n", "VAT 20%", money(tax)
    printf "  %-45s %11s\n\n", "gross", money(net[c] + tax)
    all += net[c]
    ncust++
  }
  printf "%d customers, %d lines, %d rejected\n", ncust, rec, bad
  printf "total net %s, total gross %s\n", money(all), money(all * (1 + VAT))
}
