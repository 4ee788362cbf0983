# Readability statistics of a text: sentences (ended by . ! or ?),
# words, syllables (vowel groups, a silent final "e" dropped, at least
# one per word), characters in words, and from them the average sentence
# and word lengths and the Flesch reading-ease score, plus the five
# longest words (ties in order of appearance).
#
# Floats print through printf with fixed precision, so every AWK agrees.
function syllables(w,    n, t) {
  t = tolower(w)
  if (length(t) > 2) sub(/e$/, "", t)
  n = gsub(/[aeiouy]+/, "", t)
  return n < 1 ? 1 : n
}
{
  text = $0
  sentences += gsub(/[.!?]+/, " ", text)
  gsub(/[^A-Za-z' -]/, " ", text)
  n = split(text, w, " ")
  for (i = 1; i <= n; i++) {
    word = w[i]; gsub(/^['-]+|['-]+$/, "", word)
    if (word == "") continue
    words++
    letters += length(word)
    syl += syllables(word)
    if (!(tolower(word) in seen)) {
      seen[tolower(word)] = 1
      list[++nl] = word
    }
  }
}
END {
  if (sentences == 0) sentences = 1
  printf "sentences %d, words %d, syllables %d, letters %d, distinct %d\n", sentences, words, syl, letters, nl
  printf "words per sentence %.2f, letters per word %.2f, syllables per word %.2f\n", words / sentences, letters / words, syl / words
  printf "Flesch reading ease %.1f\n", 206.835 - 1.015 * words / sentences - 84.6 * syl / words
  for (k = 1; k <= 5 && k <= nl; k++) {
    best = 0
    for (i = 1; i <= nl; i++)
      if (!(i in taken) && (best == 0 || length(list[i]) > length(list[best]))) best = i
    taken[best] = 1
    printf "%d. %s (%d letters, %d syllables)\n", k, list[best], length(list[best]), syllables(list[best])
  }
}
