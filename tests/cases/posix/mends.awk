# An integral float prints as an integer whatever OFMT holds; sub and gsub
# store only after a replacement.
NR == 1 { print $1 + 0, $1 / 2, 100000 * 100, 5000000 + 5000000, 2^30 }
NR == 2 { n = gsub("z", "y", $1); print n "[" $0 "]" }
END { x = 5; sub(/z/, "y", x); OFMT = "%.2f"; print x + 1, (x < 10), 3.0, 3.25, 1e6 }
