# Word frequencies: letters are folded to lower case, anything that is not
# a letter or an apostrophe separates words, and the table is printed in
# key order with a bar scaled to the most frequent word.
# The keys come out sorted because for-in walks keys in natural order;
# mawk and gawk visit them in hash order, so their lines come out shuffled
# (the same lines, sorted, are what they print).
{
  line = tolower($0)
  gsub(/[^a-z']+/, " ", line)
  n = split(line, w, " ")
  for (i = 1; i <= n; i++) {
    word = w[i]
    sub(/^'+/, "", word); sub(/'+$/, "", word)
    if (word == "") continue
    count[word]++
    total++
    if (count[word] > top) top = count[word]
  }
}
END {
  printf "%-12s %5s  %s\n", "word", "count", "share"
  for (word in count) {
    bar = ""
    for (j = 0; j < int(count[word] * 20 / top); j++) bar = bar "#"
    printf "%-12s %5d  %5.1f%% %s\n", word, count[word], 100 * count[word] / total, bar
    distinct++
  }
  printf "%d words, %d distinct\n", total, distinct
}
