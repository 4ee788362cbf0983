# A one-byte RS; RS assigned a number reads back as that number.
BEGIN { RS = ";" }
{ print NR ": [" $0 "]" }
END { RS = 0; print RS }
