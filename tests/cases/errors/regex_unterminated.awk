# A regular expression constant without its closing slash.
BEGIN { x = /abc }
