# _refcnt: the count of what a value holds, less the argument's own
# reference; setawkvar/getawkvar reach globals by name.
BEGIN {
    x = "ab" "c"            # one string, held by x (and the argument)
    y = x                   # now shared by x and y
    a["k"] = 1
    print _refcnt(x), _refcnt(5), _refcnt(u), _refcnt(a)
    z = x
    print _refcnt(x)
    g = 1
    r = setawkvar("g", "10", 1)
    print r, g + 1, typeof(g)
    v = getawkvar("g")
    w = getawkvar("nosuch", ok)
    print v, length(w), ok
}
