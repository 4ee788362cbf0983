# Comma-separated fields: every line split, a few fields printed.
BEGIN { FS = "," }
{ print $3, $1, $5 }
