# Modules: each -f file is a module. static names are private to their
# module (both modules here have their own static count and name()), global
# functions are shared, and the module-level names are reached at run time
# as module:name (the file's base name) by call() and -v. BEGIN rules run
# module by module in -f order.
static count
static function name() { return "main" }
BEGIN { count = 1; print "main begin", name(), count, lib_count() }
END {
  print name(), count, lib_name(), lib_count(), lib_seed()
  print call("modlib:name"), call("modules:name"), call("lib_count")
}
