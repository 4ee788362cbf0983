# Records longer than RECLEN are read as pieces, each counted in NR, also
# where a rule only tests a plain text and the records between matches
# could be passed over.
BEGIN { RECLEN = 8 }
/zz/ { print NR ": " $0 }
