# In END, $0 is the last record and NF follows from it, as POSIX says; NR
# keeps its count. A program with END but no main rule
# still reads all input.
END { print "[" $0 "]", NF, NR }
