# Escapes in -v and operand assignments; stdin read after assignments only;
# fflush() flushes before the command writes. An unused -v draws nothing.
{ print x, $0 }
END { printf "before "; fflush(); system("echo command"); printf "again "; fflush("/dev/stdout"); system("echo cmd") }
