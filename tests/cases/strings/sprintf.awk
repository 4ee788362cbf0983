# sprintf formats through the printf engine.
BEGIN {
  print sprintf("%d|%5s|%-5s|%.2f|%x|%c", 42, "ab", "cd", 3.14159, 255, 65)
  print sprintf("%s and %s", "this", "that")
  print sprintf("plain")
  x = sprintf("%5.1f%%", 99.44); print x, length(x)
}
