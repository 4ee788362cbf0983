# One name used both as a scalar and as an array is an error that gives
# both places; names passed to functions or assigned a call's result
# (arrays are values) are neither.
function fill(arr) { arr[1] = 1 }
BEGIN {
  x = 1
  x[2] = 3
  fill(y); print length(y)
  t = table("a", 1); print t["a"]
}
