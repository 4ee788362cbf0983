# A separator pattern may read many bytes past a possible match before it
# knows there is none (or where it ends); those bytes stay in the input for
# this record or the next.
BEGIN { RS = ",.*,|x+y" }
{ print NR ": [" $0 "]" }
