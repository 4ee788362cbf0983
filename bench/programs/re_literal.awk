# Regular-expression filter: a literal.
/whiskey/ { n++ }
END { print n + 0 }
