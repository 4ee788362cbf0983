# Field reordering with a tab between output fields.
BEGIN { OFS = "\t" }
{ print $5, $1, $3, $2, $4 }
