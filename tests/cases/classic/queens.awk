# Recursive backtracking: the N-queens problem for N = 1..8 (number of
# solutions, and the first solution drawn for N = 8), and the Towers of
# Hanoi for 4 discs with the moves listed and counted. Recursion depth and
# array parameters (passed by reference) are what is exercised; every AWK
# prints the same.
function place(row, n,    c) {
  if (row > n) {
    solutions++
    if (solutions == 1) for (c = 1; c <= n; c++) first[c] = col[c]
    return
  }
  for (c = 1; c <= n; c++)
    if (!(c in usedcol) && !((row + c) in diag1) && !((row - c) in diag2)) {
      col[row] = c; usedcol[c]; diag1[row + c]; diag2[row - c]
      place(row + 1, n)
      delete usedcol[c]; delete diag1[row + c]; delete diag2[row - c]
    }
}
function hanoi(n, from, to, via, moves) {
  if (n == 0) return
  hanoi(n - 1, from, via, to, moves)
  moves[++moves[0]] = "disc " n ": " from " -> " to
  hanoi(n - 1, via, to, from, moves)
}
BEGIN {
  for (n = 1; n <= 8; n++) {
    solutions = 0
    delete first
    place(1, n)
    printf "%d queens: %d solution%s\n", n, solutions, solutions == 1 ? "" : "s"
  }
  for (r = 1; r <= 8; r++) {
    line = ""
    for (c = 1; c <= 8; c++) line = line (first[r] == c ? " Q" : " .")
    print line
  }
  moves[0] = 0
  hanoi(4, "A", "C", "B", moves)
  for (i = 1; i <= moves[0]; i++) print i ". " moves[i]
  print moves[0] " moves, expected " 2 ^ 4 - 1
}
