# typeof names the value's type; a field is named by what its text scans
# as. gawk's typeof differs ("strnum", "unassigned", ...).
BEGIN {
  print typeof(never), typeof(1), typeof(1.5), typeof("s"), typeof(1 "")
  a[1] = 1; print typeof(a), typeof(a[1]), typeof(a[2])
}
{ print typeof($1), typeof($2), typeof($3), typeof($4), typeof($9) }
