# length of strings, numbers (their CONVFMT text), arrays and $0.
BEGIN {
  print length("abc"), length(""), length(12.50), length(-120), length(1/3)
  a[1]; a[2]; a["x"] = 5
  print length(a)
  CONVFMT = "%.2f"; x = 3.14159; print length(x)
  print length(never)
}
{ print length(), length, length($2) }
