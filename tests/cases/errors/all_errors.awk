# Every error of a file is reported, not only the first, and each
# statement after a broken one is still checked.
BEGIN {
  x = 1 +
  y = )
  print "ok"
  z = (
}
function g() { return }
END { break }
