# FS assigned before the first field use re-splits the current record;
# after it, it applies from the next record.
NR == 1 { FS = ":"; print $1 }
NR == 2 { print $1; FS = " "; print $1 }
