# -w turns off the warnings and notes of the compiler and of the run.
{ if ($1 > 1) print "big"; getline line < "no" "where" }
