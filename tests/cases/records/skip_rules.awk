# Records are passed over only for a rule whose plain-text test is all a
# record it does not match meets: here a later rule sees every record.
/b/ { n++ }
!/b/ { print "not b:", NR, n + 0 }
