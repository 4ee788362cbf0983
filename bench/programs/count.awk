# Line counting.
END { print NR }
