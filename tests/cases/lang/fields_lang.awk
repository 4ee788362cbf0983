# Field expressions: $ binds tighter than everything but grouping, so
# $NF-1 is (the last field) - 1 and $(NF-1) the field before it, and $i++
# increments the field, not i; fields compare numerically when both look
# like numbers; assigning a field past NF extends the record; substring
# assignment and compound assignment work on fields; lowering NF cuts $0.
{
  print $NF - 1, $(NF - 1), $1 $2
  i = 1; v = $i++; print v, i, $1
  j = 1; w = $++j; print w, j
  print ($1 < $2), ($3 < $4), ($1 == $2)
  $2 += 10; print
  $6 = "six"; print NF, $0
  substr($1, 1, 1) = "X"; print $1
  n = 2; $n = "two"; $(n + 1)++; print
  NF = 2; print $0, NF
}
