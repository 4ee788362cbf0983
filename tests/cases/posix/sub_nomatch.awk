# sub and gsub store into their target only when they replaced something:
# the record keeps its spacing, a number stays a number.
{ n = gsub("z", "y", $1); print n "[" $0 "]" }
{ n = sub(/q/, "r"); print n "[" $0 "]" }
END { x = 5; sub(/z/, "y", x); print x + 1, (x < 10) }
