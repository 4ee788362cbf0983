# A constant regular expression that the run-time's pattern compiler will
# refuse draws a located warning at compile time; the run-time then stops
# with its own error when the pattern is first used (status 2).
BEGIN { print "before" }
END { if ("abc" ~ /a(b/) print "matched"; print "not reached" }
