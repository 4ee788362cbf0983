# Regular-expression filter: bracket classes.
/[0-9][0-9]-[x-z][a-z]+$/ { n++ }
END { print n + 0 }
