# feof, ferror and fileno. feof looks at the next byte without taking it;
# without an argument it asks about the current main-input file. ferror
# can mark a stream as failed and clear the mark again.
BEGIN {
  printf "x\ny\n" > "st.txt"
  close("st.txt")
  getline l < "st.txt"
  print "feof before last line", feof("st.txt")
  getline l < "st.txt"
  print "next line", l
  print "feof at end", feof("st.txt")
  print "feof not open", feof("other.txt")
  print "ferror", ferror("st.txt")
  ferror("st.txt", 1)
  print "ferror set", ferror("st.txt")
  ferror("st.txt", 0)
  print "ferror cleared", ferror("st.txt")
  print "ferror not open", ferror("other.txt")
  print "fileno stdin", fileno(stdin)
  print "fileno stdout", fileno(stdout), fileno(stdout, "D"), fileno(stdout, 1)
  print "fileno stderr", fileno(stderr)
  print "fileno of a file", (fileno("st.txt") > 2)
  print "stream address", (fileno("st.txt", "f") != 0)
  print "not a socket", fileno("st.txt", "s")
  print "not open", fileno("other.txt"), fileno("other.txt", "f")
  print "no main input yet", feof()
}
{ print "record", $0, "feof", feof() }
