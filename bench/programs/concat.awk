# String building.
{
    line = ""
    for (i = NF; i > 0; i--) line = line $i ","
    total += length(line)
}
END { print total }
