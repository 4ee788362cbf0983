# Word frequencies with split on a regular expression and tolower.
{ n = split(tolower($0), w, /[^a-z0-9]+/); for (i = 1; i <= n; i++) count[w[i]]++ }
END { for (k in count) print k, count[k] }
