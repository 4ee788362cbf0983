# The example tracer (examples/tracer.awk, given after this program) on a
# recursive function with a local and an array parameter.
function fact(n, seen,   r) {
  local depth
  depth = length(seen)
  seen[n] = 1
  if (n <= 1) return 1
  r = n * fact(n - 1, seen)
  return r
}
{ print $1, fact($1, calls) }
