# An armed debugger function sees the rule's statement for every record,
# also the records its plain-text pattern does not match, which the reader
# would otherwise pass over.
function seen(gid, line) {
  if (line == 9) n++
  debug_function()
}
BEGIN { debug_function("seen") }
/b/ { print NR, n }
