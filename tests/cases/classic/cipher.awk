# Classical ciphers on each input line: a Caesar shift of 3, a Vigenere
# encryption with the key LEMON (letters only advance the key; case is
# kept; other bytes pass through), its decryption back to the original,
# and an Atbash mirror. A line whose decryption differs is flagged.
# Letter arithmetic uses index() into the alphabet, so every AWK agrees.
BEGIN {
  UC = "ABCDEFGHIJKLMNOPQRSTUVWXYZ"; LC = tolower(UC)
  KEY = "LEMON"
}
function shift(c, k,    p) {
  if ((p = index(UC, c)) > 0) return substr(UC, (p - 1 + k + 26) % 26 + 1, 1)
  if ((p = index(LC, c)) > 0) return substr(LC, (p - 1 + k + 26) % 26 + 1, 1)
  return c
}
function caesar(s, k,    i, out) {
  out = ""
  for (i = 1; i <= length(s); i++) out = out shift(substr(s, i, 1), k)
  return out
}
function vigenere(s, key, dir,    i, j, c, k, out) {
  out = ""; j = 0
  for (i = 1; i <= length(s); i++) {
    c = substr(s, i, 1)
    if (index(UC LC, c)) {
      k = index(UC, substr(key, j % length(key) + 1, 1)) - 1
      c = shift(c, dir * k)
      j++
    }
    out = out c
  }
  return out
}
function atbash(s,    i, c, p, out) {
  out = ""
  for (i = 1; i <= length(s); i++) {
    c = substr(s, i, 1)
    if ((p = index(UC, c))) c = substr(UC, 27 - p, 1)
    else if ((p = index(LC, c))) c = substr(LC, 27 - p, 1)
    out = out c
  }
  return out
}
{
  enc = vigenere($0, KEY, 1)
  dec = vigenere(enc, KEY, -1)
  print "plain:    " $0
  print "caesar:   " caesar($0, 3)
  print "vigenere: " enc
  print "atbash:   " atbash($0)
  if (dec != $0) print "ROUND TRIP FAILED: " dec
}
