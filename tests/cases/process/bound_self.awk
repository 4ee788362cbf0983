# A bound executable reads its image from the file the system started:
# run by bare name through PATH from a directory that holds another file
# of its name (a decoy), it still runs its own program. vorn's temporary
# image is gone as soon as the run-time has read it: the running program
# finds no copy of itself in TMPDIR.
function sh(cmd) { system("{ " cmd "; } 2>&1") }
BEGIN {
  vornc = ENVIRON["VORN"]
  sub(/vorn$/, "vornc", vornc)
  sh("mkdir bin work tmp")
  sh("echo 'BEGIN { print \"own program\" }' > p.awk; " vornc " --bind -o bin/selftest p.awk")
  sh("echo 'BEGIN { print \"decoy\" }' > d.awk; " vornc " --bind -o work/selftest d.awk")
  sh("cd work && PATH=\"$(cd ../bin && pwd):$PATH\" selftest")
  sh("TMPDIR=$(pwd)/tmp " ENVIRON["VORN"] " 'BEGIN { system(\"ls tmp | wc -l\") }'")
}
