# A Markov chain text generator: every pair of consecutive words in the
# input is a state; the words seen after it are its successors (with
# repetition, so frequent successors are more likely). Starting from the
# first two words it emits up to MAXWORDS words (default 60), choosing
# successors with rand() after srand(42), and stops at a state with no
# successor. Output is wrapped at 60 columns.
#
# The text differs from mawk's and gawk's: rand() here is L'Ecuyer's
# combined generator with a Bays-Durham shuffle, seeded by srand(42), so
# the same seed gives another sequence than theirs. The first line (the
# starting pair) and the set of words used are the same in every AWK.
BEGIN { if (MAXWORDS == "") MAXWORDS = 60 }
{
  n = split($0, w, " ")
  for (i = 1; i <= n; i++) words[++nw] = w[i]
}
END {
  if (nw < 3) { print "not enough text"; exit 1 }
  for (i = 1; i + 2 <= nw; i++) {
    state = words[i] " " words[i + 1]
    next_word[state, ++nsucc[state]] = words[i + 2]
  }
  srand(42)
  a = words[1]; b = words[2]
  line = a " " b
  for (k = 2; k < MAXWORDS; k++) {
    state = a " " b
    if (!(state in nsucc)) break
    c = next_word[state, int(rand() * nsucc[state]) + 1]
    if (length(line) + 1 + length(c) > 60) { print line; line = c }
    else line = line " " c
    a = b; b = c
  }
  print line
  printf "(%d words of input, %d states)\n", nw, length(nsucc)
}
