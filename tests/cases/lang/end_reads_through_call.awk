# END keeps the last record also when it reads it only through a function
# it calls (each function followed once, however often it is called). A
# conditional's two arms may differ in type.
function inc(x) { return x + 1 }
function first() { return $1 }
BEGIN { c = 1; print (c ? "s" : 1), (c ? $1 : 1) "|" }
END { s = "aa"; gsub(/a/, "b", s); print inc(1) + inc(2), s; print first() }
