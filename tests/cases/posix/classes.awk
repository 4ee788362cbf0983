# POSIX character classes in constant patterns and in string constants used
# as patterns (bytes, C locale), negated inside brackets too.
/^[[:digit:]]+$/ { print "digits:", $0 }
/^[[:space:]]*$/ { print "blank line" }
$0 ~ "^[[:upper:]]" { print "capital:", $0 }
/[[:punct:]]/ { print "punctuation:", $0 }
{
  s = $0
  n = gsub(/[^[:alnum:]]/, "_", s)
  print n, s, match($0, "[[:xdigit:]]+"), RLENGTH
  split($0, parts, "[[:blank:]]+"); print "first:", parts[1]
}
END { print ("x]" ~ /[[:alpha:]]]/), ("\t" ~ /[[:cntrl:]]/), ("~" ~ /^[[:graph:]]$/), (" " ~ /[[:print:]]/), ("Q" ~ /[[:lower:]]/) }
