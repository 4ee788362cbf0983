# The last line without a newline is still a record; RSM is then empty.
{ print NR ": " $0 " [" (RSM == "\n" ? "nl" : RSM == "" ? "none" : "?") "]" }
