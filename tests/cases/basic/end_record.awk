# In END, $0 is the empty string and NF follows from it (POSIX awks keep the
# last record); NR keeps its count. A program with END but no main rule
# still reads all input.
END { print "[" $0 "]", NF, NR }
