# CSV splitting and a per-category report.
BEGIN { FS = "," }
{ total[$2] += $4; qty[$2] += $5 }
END { for (k in total) printf "%s %.2f %d\n", k, total[k], qty[k] }
