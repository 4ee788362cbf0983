# A line diff of two files by longest common subsequence. Both files are
# read with getline in BEGIN (the operands are ARGV[1] and ARGV[2]); the
# LCS table is filled from the ends, and the edit script is printed in
# the normal-diff style of "2c2", "4a5,6", "7d6" followed by the lines
# with "< " and "> ", plus a summary.
function readfile(name, arr,    n, line) {
  n = 0
  while ((getline line < name) > 0) arr[++n] = line
  close(name)
  return n
}
function range(a, b) { return a == b ? a : a "," b }
BEGIN {
  if (ARGC != 3) { print "usage: diff old new"; exit 2 }
  n = readfile(ARGV[1], A)
  m = readfile(ARGV[2], B)
  for (i = n + 1; i >= 1; i--) L[i, m + 1] = 0
  for (j = m + 1; j >= 1; j--) L[n + 1, j] = 0
  for (i = n; i >= 1; i--)
    for (j = m; j >= 1; j--)
      L[i, j] = A[i] == B[j] ? L[i + 1, j + 1] + 1 : (L[i + 1, j] >= L[i, j + 1] ? L[i + 1, j] : L[i, j + 1])
  i = 1; j = 1
  while (i <= n || j <= m) {
    if (i <= n && j <= m && A[i] == B[j]) { i++; j++; continue }
    # collect a hunk: deletions and insertions until the next common line
    di = i; dj = j
    while ((i <= n || j <= m) && !(i <= n && j <= m && A[i] == B[j])) {
      if (j > m || (i <= n && L[i + 1, j] >= L[i, j + 1])) i++
      else j++
    }
    if (i > di && j > dj) print range(di, i - 1) "c" range(dj, j - 1)
    else if (i > di) print range(di, i - 1) "d" (dj - 1)
    else print (di - 1) "a" range(dj, j - 1)
    for (k = di; k < i; k++) print "< " A[k]
    if (i > di && j > dj) print "---"
    for (k = dj; k < j; k++) print "> " B[k]
    hunks++; del += i - di; add += j - dj
  }
  printf "%d hunk%s, %d line%s removed, %d added, %d in common\n", hunks, hunks == 1 ? "" : "s", del, del == 1 ? "" : "s", add, L[1, 1]
  exit hunks > 0
}
