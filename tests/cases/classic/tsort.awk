# A build-order resolver in the manner of make: lines "target: deps..."
# declare dependencies; the program prints an order in which every target
# comes after all of its dependencies (depth-first, dependencies in the
# order written), reports cycles with their path, and lists the leaves
# (names that are never targets) as sources.
#
# The source list is printed in natural order of the names (for-in is
# sorted here, so lib2.c comes before lib10.c); gawk and mawk print it in
# hash order. The build order itself follows declaration order and is the
# same in every AWK.
/^[ \t]*(#|$)/ { next }
{
  line = $0
  if (!match(line, /:/)) { print "no colon: " line; next }
  t = substr(line, 1, RSTART - 1); gsub(/[ \t]/, "", t)
  if (!(t in isTarget)) { targets[++nt] = t; isTarget[t] = 1 }
  n = split(substr(line, RSTART + 1), d, " ")
  for (i = 1; i <= n; i++) {
    deps[t, ++ndeps[t]] = d[i]
    mentioned[d[i]] = 1
  }
}
function visit(x, path,    i) {
  if (state[x] == 2) return
  if (state[x] == 1) { print "cycle: " path; cyclic = 1; return }
  state[x] = 1
  for (i = 1; i <= ndeps[x]; i++) visit(deps[x, i], path " -> " deps[x, i])
  state[x] = 2
  order[++no] = x
}
END {
  for (i = 1; i <= nt; i++) visit(targets[i], targets[i])
  out = ""
  for (i = 1; i <= no; i++) out = out (i > 1 ? " " : "") order[i]
  print "order: " out
  out = ""
  for (x in mentioned) if (!(x in isTarget)) out = out " " x
  print "sources:" out
  exit cyclic
}
