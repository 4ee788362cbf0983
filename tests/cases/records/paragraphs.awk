# RS = "" reads paragraphs; runs of blank lines yield no empty records.
BEGIN { RS = "" }
{ n = split($0, lines, "\n"); print NR ": " n " lines, NF " NF ", first " $1 }
END { print NR }
