# printf-heavy output.
{ printf "%-10s %8.2f %5d %s\n", $1, $4, $3, $2 }
