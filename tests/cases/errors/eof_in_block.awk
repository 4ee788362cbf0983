# The end of the file inside a block.
BEGIN {
  if (1) {
    print
