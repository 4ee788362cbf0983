# Arrays of arrays: a[i][j] makes a[i] an array on first use; for (k in
# a[i]), length(a[i]), (j in a[i]), delete a[i][j] and delete a[i] work on
# the inner array; an inner array passed to a function is shared, and a
# function may build one through an array parameter.
function fillrow(row, n,   j) { for (j = 1; j <= n; j++) row[j] = j * 10 }
function count(arr,   k, n) { for (k in arr) n++; return n }
BEGIN {
  a["x"]["one"] = 1; a["x"]["two"] = 2; a["y"]["three"] = 3
  for (i in a) for (j in a[i]) printf "%s.%s=%s ", i, j, a[i][j]
  print ""
  print length(a), length(a["x"]), ("one" in a["x"]), ("one" in a["y"]), ("z" in a)
  fillrow(a["z"], 3)
  print length(a), count(a["z"]), a["z"][2]
  delete a["x"]["one"]
  print length(a["x"]), ("one" in a["x"])
  delete a["x"]
  print length(a), ("x" in a)
  b[1][2][3] = "deep"
  print b[1][2][3], length(b[1]), length(b[1][2])
  a["y"]["three"]++; a["y"]["three"] += 10; print a["y"]["three"]
}
