# A longer RS is a pattern; RSM holds the text that matched.
BEGIN { RS = "X+" }
{ print NR ": " $0 " (" length(RSM) ")" }
