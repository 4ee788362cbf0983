# A line exactly RECLEN bytes long is one record; a longer one is cut.
BEGIN { RECLEN = 3 }
{ print NR ": " $0 }
