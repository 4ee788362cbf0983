# Group-by with many keys (50,000 distinct first fields).
{ sum[$1] += $3; n[$1]++ }
END { for (k in sum) print k, sum[k], n[k] }
