# Arithmetic scans field and string operands first: an integer text takes
# part as an int, so sums of integer columns stay integers while they fit in
# 32 bits (mawk and gawk print the same here). A float result prints with
# OFMT (%.6g), so a sum beyond the int range shows an exponent where POSIX
# awks print the integer.
{ total += $2; neg = -$2; diff = $2 - $3 }
END {
    print total, typeof(total), neg, typeof(neg), diff
    big = total * 1000
    print big, typeof(big)
    s = "12"; t = s + 3; print t, typeof(t)
}
