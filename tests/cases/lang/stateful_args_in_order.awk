# Builtins that touch a stream are called in the order written, also as
# the items of one print.
BEGIN {
  f = fopen("o", "w")
  print fwrite("abc\n", f), ftell(f)
  close(f)
  g = fopen("o", "r")
  fseek(g, 1)
  print fread(2, g), ftell(g)
}
