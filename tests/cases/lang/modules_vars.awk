# A module's static variable is reached by name at run time as module:name
# (the file's base name, without path and extension, in any letter case);
# an unqualified name finds only a global.
static count
BEGIN { count = 1; total = 10 }
END {
  a = getawkvar("modvars:count"); b = getawkvar("MODVARS:count")
  c = getawkvar("count", ok)
  print a, b, "[" c "]", ok
  r1 = setawkvar("modvars:count", 42); r2 = setawkvar("total", 11)
  print r1, count, getawkvar("modvars:count"), r2, total
  c = getawkvar("nosuch", ok); r = setawkvar("nosuch", 1)
  print "[" c "]", ok, r
}
