# exit without a value keeps the status an earlier exit set.
BEGIN { exit 7 }
END { print "end"; exit }
