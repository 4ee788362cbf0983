# Second field of each line, then the line count.
{ print $2 }
END { print NR }
