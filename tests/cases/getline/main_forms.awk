# Plain getline reads the next main-input record into $0 (NF, NR and FNR
# follow); getline var counts the record but leaves $0 and NF alone.
# At the end of the input both return 0 and store "": here $0 is empty
# after END's getline (gawk and mawk keep the last record in $0).
NR == 1 {
  print "rec", NR, $0, NF
  r = getline
  print "getline", r, NR, FNR, $0, NF
  r = getline v
  print "getline v", r, NR, FNR, v, $0, NF
  next
}
{ print "main", NR, $0 }
END {
  r = getline
  print "at end", r, "[" $0 "]"
  w = "stale"
  r = getline w
  print "var at end", r, "[" w "]"
}
