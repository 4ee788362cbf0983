# -v values and operand assignments have their escapes processed, unused
# names draw no warning, standard input is read when every operand is an
# assignment, and fflush() (or fflush("/dev/stdout")) flushes before a
# command writes.
{ print x, $0 }
END {
  printf "before "; fflush(); system("echo command")
  printf "again "; fflush("/dev/stdout"); system("echo command")
}
