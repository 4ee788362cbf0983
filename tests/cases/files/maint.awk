# mkdir, rmdir, rmfile, rename, chdir and getcwd, including paths far
# longer than 260 bytes, which the host accepts.
BEGIN {
  start = getcwd()
  "pwd" | getline pwd
  print "getcwd is pwd:", start == pwd
  r = mkdir("d"); print "mkdir:", r, filemode("d") != ""
  printf "x" > "d/f"; close("d/f")
  r = rmdir("d"); print "rmdir non-empty:", r
  r = rename("d/f", "d/g"); print "rename:", r, filesize("d/f"), filesize("d/g")
  r = rmfile("d/g"); print "rmfile:", r, filesize("d/g")
  r = rmdir("d"); print "rmdir:", r, filesize("d")
  long = "dir_with_a_fairly_long_name_to_pass_the_old_limits_quickly_" 
  path = ""
  for (i = 1; i <= 6; i++) {
    path = path (i > 1 ? "/" : "") long i
    ok = mkdir(path)
  }
  print "long path:", length(path), ok
  r = chdir(path); print "chdir:", r, length(getcwd()) == length(start) + 1 + length(path)
  printf "deep" > "file"; close("file")
  r = dirlist(getcwd(), names); print "dirlist of the long path:", r, length(names)
  r = chdir(start); print "chdir back:", r, getcwd() == start
  r = findfirst(path "/f*"); print "findfirst:", r == path "/file"
  r = rmfile(path "/file"); print "rmfile long:", r
  r = rmdir(path); print "rmdir long:", r
  r = chdir("nowhere"); print "chdir missing:", r
  r = mkdir("a\0b"); print "NUL in a name:", r, filesize("a")
}
