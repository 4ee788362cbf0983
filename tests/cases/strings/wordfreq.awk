# Word frequencies: lower-cased words split at anything but letters, the
# counts then ordered by count and word with a key built by sprintf:
# for (k in a) visits keys in natural order here, so the first four are
# the most frequent (gawk and mawk visit them in hash order).
{
  n = split(tolower($0), w, "[^a-z]+")
  for (i = 1; i <= n; i++) if (w[i] != "") count[w[i]]++
}
END {
  for (word in count) key[sprintf("%05d %s", 100000 - count[word], word)] = word
  m = 0
  for (k in key) {
    word = key[k]
    printf "%-6s %d\n", word, count[word]
    if (++m == 4) break
  }
}
