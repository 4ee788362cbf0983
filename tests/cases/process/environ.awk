# Commands get the environment that ENVIRON holds when they start: added,
# changed and deleted elements all reach system(), pipes and spawn().
BEGIN {
  print "inherited:", ENVIRON["VORN_CASE_VAR"]
  system("echo \"system sees [$VORN_CASE_VAR]\"")
  ENVIRON["VORN_CASE_VAR"] = "changed"
  ENVIRON["VORN_NEW"] = 42
  system("echo \"system sees [$VORN_CASE_VAR] [$VORN_NEW]\"")
  "echo \"pipe sees [$VORN_NEW]\"" | getline l
  print l
  print "to cat" | "cat; echo \"output pipe sees [$VORN_NEW]\""
  close("cat; echo \"output pipe sees [$VORN_NEW]\"")
  delete ENVIRON["VORN_CASE_VAR"]
  system("echo \"deleted [${VORN_CASE_VAR-unset}]\"")
  delete ENVIRON["PATH"]
  system("/usr/bin/env | grep -c '^PATH=' ")
}
