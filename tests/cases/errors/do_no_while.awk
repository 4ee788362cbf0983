# do without its while.
BEGIN { do print 1 }
