# spawn(cmd [, env [, mode]]): mode 0 waits and gives the exit code, mode 1
# returns at once with the started process's id. env is an array of the
# child's environment (ENVIRON by default); anything else gives an empty
# one. An empty command is still run (and succeeds).
BEGIN {
  print "exit code:", spawn("exit 6")
  print "empty command:", spawn("")
  e["ONLY"] = "this"
  e["N"] = 7
  spawn("echo \"[$ONLY] [$N] [${VORN_SPAWN_VAR-unset}]\"", e)
  print "default env:", spawn("test \"$VORN_SPAWN_VAR\" = present")
  print "empty env:", spawn("test \"$VORN_SPAWN_VAR\" = present", "")
  print "empty env:", spawn("test -z \"$VORN_SPAWN_VAR\"", "")
  pid = spawn("sleep 0.3; echo done > spawned.txt", ENVIRON, 1)
  print "pid positive:", (pid > 0)
  r = getline l < "spawned.txt"
  print "not yet:", r
  close("spawned.txt")
  sleep(1)
  r = getline l < "spawned.txt"
  print "later:", r, l
}
