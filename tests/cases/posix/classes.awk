# POSIX classes in constant patterns and string constants used as patterns.
/^[[:digit:]]+$/ { print "digits:", $0 }
/^[[:space:]]*$/ || $0 ~ "^[[:upper:]]" || /[[:punct:]]/ { print "class:", $0 }
{ s = $0; print gsub(/[^[:alnum:]]/, "_", s), s, match($0, "[[:xdigit:]]+"), RLENGTH }
END { print ("x]" ~ /[[:alpha:]]]/), ("\t" ~ /[[:cntrl:]]/), ("~" ~ /^[[:graph:]]$/), ("Q" ~ /[[:lower:]]/) }
