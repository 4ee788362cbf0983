# An expression cut by a newline after a binary operator that takes none.
BEGIN {
  y = 2 +
}
