# Stock keeping: a catalogue section ("item,description,unit cost,reorder
# level") and a movements section ("date,item,+qty or -qty,note") separated
# by a line "%%". Movements that would take stock below zero are refused.
# The report lists each item's stock, value and status (REORDER at or
# below the reorder level), then the refused movements and the totals.
#
# The value column uses the run-time's %m conversion (money: two
# decimals, a negative amount in parentheses, a positive one between two
# blanks); gawk and mawk have no %m, so their value column differs.
# Items print in catalogue order, which every AWK keeps.
BEGIN { FS = ","; section = 1 }
/^%%$/ { section = 2; next }
/^#/ || NF == 0 { next }
section == 1 {
  items[++n] = $1; desc[$1] = $2; cost[$1] = $3; level[$1] = $4; stock[$1] = 0
  next
}
{
  item = $2; q = $3 + 0
  if (!(item in desc)) { refused[++nr] = $0 " (unknown item)"; next }
  if (stock[item] + q < 0) { refused[++nr] = $0 " (only " stock[item] " in stock)"; next }
  stock[item] += q
  moved[item] += q < 0 ? -q : q
  adjust[item] += $4 ~ /^writeoff/ ? q * cost[item] : 0
}
END {
  printf "%-6s %-18s %6s %12s  %s\n", "item", "description", "stock", "value", "status"
  for (i = 1; i <= n; i++) {
    it = items[i]
    value = stock[it] * cost[it]
    total += value; losses += adjust[it]
    printf "%-6s %-18s %6d %12m  %s\n", it, desc[it], stock[it], value, stock[it] <= level[it] ? "REORDER" : "ok"
  }
  printf "%-6s %-18s %6s %12m\n", "", "total value", "", total
  printf "%-6s %-18s %6s %12m\n", "", "written off", "", losses
  for (i = 1; i <= nr; i++) print "refused: " refused[i]
}
