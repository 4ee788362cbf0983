# Sum of a column.
{ s += $3 }
END { print s }
