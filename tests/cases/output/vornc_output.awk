# vornc -o writes through the path it is given: a symbolic link is
# followed (the file it names is replaced, the link stays), a FIFO is
# written in place, never replaced by a regular file, and one of its own
# input files is refused.
function sh(cmd) { system("{ " cmd "; } 2>&1") }
BEGIN {
  vornc = ENVIRON["VORN"]
  sub(/vorn$/, "vornc", vornc)
  sh("echo 'BEGIN { print \"hi\" }' > p.awk")
  sh("echo old > real.ae; ln -s real.ae link.ae; " vornc " -o link.ae p.awk; echo status $?")
  sh("test -L link.ae && echo link kept; cmp -s real.ae link.ae && echo image written through the link")
  sh("mkfifo fifo; timeout 10 cat fifo > from_fifo & " vornc " -o fifo p.awk; echo status $?; wait; test -p fifo && echo fifo kept; test -s from_fifo && echo image read from the fifo")
  sh("cp p.awk q.awk; " vornc " -o q.awk p.awk q.awk; echo status $?; cmp -s p.awk q.awk && echo input unchanged")
}
