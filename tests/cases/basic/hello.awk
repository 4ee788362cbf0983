BEGIN { print "hello, world" }
