# A small hex dump: 8 bytes a line, offset, hex bytes and the printable
# text, built from substr, ord, sprintf and char.
{ data = data $0 "\n" }
END {
  for (off = 0; off < length(data); off += 8) {
    chunk = substr(data, off + 1, 8)
    hex = ""; txt = ""
    for (i = 1; i <= length(chunk); i++) {
      c = ord(chunk, i)
      hex = hex sprintf("%02x ", c)
      txt = txt (c >= 32 && c < 127 ? char(c) : ".")
    }
    printf "%04x  %-24s %s\n", off, hex, txt
  }
}
