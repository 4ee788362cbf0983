# Sales by region: units, revenue and the best-selling product of each.
NR == 1 { next }
{
    revenue = $3 * $4
    units[$1] += $3
    total[$1] += revenue
    sold[$1, $2] += $3
    if (sold[$1, $2] > best[$1]) { best[$1] = sold[$1, $2]; top[$1] = $2 }
    grand += revenue
}
END {
    printf "%-8s %6s %10s  %s\n", "region", "units", "revenue", "top product"
    for (r in units)
        printf "%-8s %6d %10.2f  %s\n", r, units[r], total[r], top[r]
    printf "%-8s %6s %10.2f\n", "all", "", grand
}
