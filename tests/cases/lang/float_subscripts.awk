# A fractional subscript is the number's text: storing again, reading and
# `in` all find the one element.
BEGIN { a[0.5] = 1; a[0.5] = 2; print a[0.5], (0.5 in a), ("0.5" in a), length(a) }
