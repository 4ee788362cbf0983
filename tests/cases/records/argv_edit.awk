# The program may change ARGV and ARGC before the input is read; missing
# and empty elements are skipped.
BEGIN {
  ARGV[1] = ""
  ARGV[3] = ENVIRON["CASEDIR"] "/f1.txt"
  ARGC = 5
}
{ n = split(FILENAME, p, "/"); print p[n], $0 }
