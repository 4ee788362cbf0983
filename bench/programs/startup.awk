# Start-up: a one-line BEGIN program, run STARTS times.
BEGIN { print "hello" }
