# END sees the last record as the rules left it, also after next.
NR == 1 { $2 = "changed"; next }
NR == 2 { $0 = "z " $0; next }
END { print; print $2, NF, NR, length() }
