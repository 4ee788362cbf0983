# N-queens for N = 1..8 by recursive backtracking: the number of
# solutions and the first one for N = 8. Deep recursion over global
# arrays whose elements come and go (deleted on the way back).
function place(row, n,    c) {
  if (row > n) {
    if (++solutions == 1) for (c = 1; c <= n; c++) first[c] = col[c]
    return
  }
  for (c = 1; c <= n; c++)
    if (!(c in usedcol) && !((row + c) in diag1) && !((row - c) in diag2)) {
      col[row] = c; usedcol[c]; diag1[row + c]; diag2[row - c]
      place(row + 1, n)
      delete usedcol[c]; delete diag1[row + c]; delete diag2[row - c]
    }
}
BEGIN {
  for (n = 1; n <= 8; n++) {
    solutions = 0
    delete first
    place(1, n)
    printf "%d: %d\n", n, solutions
  }
  for (r = 1; r <= 8; r++) line = line first[r]
  print line
}
