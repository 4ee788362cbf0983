# RS disabled by a number; RECLEN cuts fixed-length records, the last shorter.
BEGIN { RS = 0; RECLEN = 10 }
{ print NR ": " $0 }
