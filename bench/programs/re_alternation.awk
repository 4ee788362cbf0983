# Regular-expression filter: an alternation.
/apple|banana|cherry|zulu/ { n++ }
END { print n + 0 }
