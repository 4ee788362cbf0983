# tail and head in one pass: the first 3 and the last 3 records of the
# input, kept in a ring buffer of 3 slots, with the total count, and the
# longest record.
#
# END sees the last record, "[omega]" with NF 1, as in gawk and mawk; NR
# keeps its value in END.
NR <= 3 { print "head " NR ": " $0 }
{
  ring[NR % 3] = $0
  if (length($0) > length(longest)) { longest = $0; at = NR }
}
END {
  start = NR > 3 ? NR - 2 : 1
  for (i = start; i <= NR; i++) print "tail " i ": " ring[i % 3]
  print NR " records; longest is record " at ": " longest
  print "END sees $0 = [" $0 "] with NF " NF
}
