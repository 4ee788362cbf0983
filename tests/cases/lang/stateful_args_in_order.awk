# Builtins that touch a stream run in the order written, also as print's items.
BEGIN {
  f = fopen("o", "w+"); print fwrite("abc\n", f), ftell(f)
  fseek(f, 1); print fread(2, f), ftell(f)
}
