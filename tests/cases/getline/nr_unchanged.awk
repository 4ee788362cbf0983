# Records read with getline < file and cmd | getline are not main-input
# records: NR and FNR do not move. (gawk and mawk count the records of
# cmd | getline in NR.) getline < file without a variable sets $0 and NF.
BEGIN {
  printf "s1\ns2 x\ns3\n" > "side.txt"
  close("side.txt")
}
{
  getline x < "side.txt"
  "echo from-cmd" | getline y
  print NR, FNR, $0, x, y
}
END {
  getline < "side.txt"
  print NR, $0, NF
  "printf 'p q r\\n'" | getline
  print NR, $0, NF
}
